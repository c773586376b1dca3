#include "RecordingStart.h"

#include "AiffLayout.h"
#include "ChunkHeader.h"
#include "HeaderImage.h"
#include "RiffLayout.h"

#include <vector>

namespace {

constexpr std::uint16_t pcm = 1;
constexpr std::uint16_t ieeeFloat = 3;
// A file size no header's fields reach: the walk takes the recording to run
// on past everything its header states.
constexpr std::uint64_t unbounded = 1ull << 62;

std::uint64_t statedEnd(std::uint64_t formSize, std::uint64_t audioAt) {
    return formSize == 0 || formSize == 0xFFFFFFFFu || formSize + 8 <= audioAt ? 0 : formSize + 8;
}

void riffSamples(const FrameFormat& format, RecordingStart& start) {
    const unsigned width = format.channels > 0 ? format.blockAlign / format.channels : 0;
    SampleFormat& samples = start.samples.format;
    samples = {width, format.sampleFormat == ieeeFloat, format.channels};
    start.followable = (format.sampleFormat == pcm && width >= 1 && width <= 4)
        || (format.sampleFormat == ieeeFloat && (width == 4 || width == 8));
}

void aiffSamples(const AiffLayout& layout, const FrameFormat& format, RecordingStart& start) {
    const std::uint32_t type = layout.compression;
    const unsigned width = format.channels > 0 ? layout.frameBytes / format.channels : 0;
    const bool isFloat =
        type == fourCC("fl32") || type == fourCC("FL32") || type == fourCC("fl64") || type == fourCC("FL64");
    const bool integer = type == fourCC("NONE") || type == fourCC("twos") || type == fourCC("sowt")
        || type == fourCC("in24") || type == fourCC("in32") || type == fourCC("raw ");
    start.samples.format = {width, isFloat, format.channels};
    start.samples.bigEndian = type != fourCC("sowt") && type != fourCC("raw ");
    // Only 'raw ' stores 8-bit samples unsigned, as WAVE does.
    start.samples.signedBytes = width == 1 && type != fourCC("raw ");
    start.followable = (integer && width >= 1 && width <= 4) || (isFloat && (width == 4 || width == 8));
}

}

bool beginsRecording(const unsigned char* bytes, std::size_t count) {
    if (count < 12)
        return false;
    const std::uint32_t form = loadU32(bytes);
    const std::uint32_t type = loadU32(bytes + 8);
    if (form == fourCC("RIFF") || form == fourCC("RF64") || form == fourCC("BW64"))
        return type == fourCC("WAVE");
    return form == fourCC("FORM") && (type == fourCC("AIFF") || type == fourCC("AIFC"));
}

StartReading readRecordingStart(const unsigned char* bytes, std::size_t count, RecordingStart& start,
    LayoutFindings& findings) {
    start = RecordingStart();
    // Past the bytes held the image reads zeros, which no walk takes for a
    // chunk: a fault at or past them means the header goes on there.
    HeaderImage image(bytes, count, unbounded);
    bool read = false;
    if (isAiffForm(bytes)) {
        AiffLayout layout;
        read = readAiffLayout(image, bytes, unbounded, layout, findings);
        start.aiff = true;
        start.audioAt = layout.payloadAt() + layout.ssndOffset;
        start.statedEnd = statedEnd(loadUnsigned(bytes + 4, 4, ByteOrder::Big), start.audioAt);
        if (read && findings.fault == LayoutFault::None)
            aiffSamples(layout, findings.format, start);
        start.frameBytes = layout.frameBytes;
    } else {
        RiffLayout layout;
        read = readRiffLayout(image, bytes, unbounded, layout, findings);
        start.audioAt = layout.payloadAt();
        start.statedEnd = statedEnd(layout.storedRiffSize(), start.audioAt);
        if (read && findings.fault == LayoutFault::None)
            riffSamples(findings.format, start);
        start.frameBytes = findings.format.blockAlign;
    }
    start.rate = findings.format.sampleRate;
    if (!read || (findings.fault != LayoutFault::None && findings.offset + ChunkHeader::bytes >= count)
        || start.audioAt > count)
        return StartReading::TooShort;
    return findings.fault == LayoutFault::None && start.frameBytes > 0 ? StartReading::Read : StartReading::Unsupported;
}

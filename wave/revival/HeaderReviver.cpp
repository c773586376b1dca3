#include "HeaderReviver.h"

#include "AudioStart.h"
#include "ChunkHeader.h"
#include "FrameFit.h"
#include "HeaderImage.h"
#include "RevivedHeader.h"
#include "SurvivingHeader.h"
#include "WaveFormatChunk.h"

#include <algorithm>
#include <vector>

namespace {

// The stretch of the search a format is judged on, so that judging every
// rival stays cheap.
constexpr std::size_t judgedBytes = 256 * 1024;
// The pieces the audio is copied in to a new file.
constexpr std::uint32_t copyBytes = 1 << 20;

RevivalFault faultOf(StartFault fault) {
    switch (fault) {
    case StartFault::Silence:
        return RevivalFault::Silence;
    case StartFault::NoFit:
        return RevivalFault::NoFit;
    case StartFault::ChannelOrder:
        return RevivalFault::ChannelOrder;
    case StartFault::None:
        break;
    }
    return RevivalFault::None;
}

bool readsAsFormat(const std::vector<unsigned char>& bytes, std::uint64_t from, const SampleFormat& format,
    RevivalFindings& findings) {
    const std::size_t at = static_cast<std::size_t>(from);
    findings.verdict = judgeFormat(bytes.data(), std::min(bytes.size(), at + judgedBytes), at, format);
    return findings.verdict.statedFits;
}

// Where a header survives in part, the audio begins after its data chunk's
// header and the format is its fmt chunk's, or format where none survives
// whole: unless the samples that follow read otherwise (not at all, at
// another offset within a sample, or as another format). Plans the header
// around what survives in place, or else a new file's; false to leave the
// file to the samples.
bool reviveSurvivors(const std::vector<unsigned char>& bytes, const RevivalFormat& format,
    std::vector<unsigned char>& header, RevivalFindings& findings) {
    const SurvivingHeader survivors = findSurvivingHeader(bytes.data(), bytes.size());
    if (!survivors.found)
        return false;
    RevivalFormat used = format;
    if (survivors.formatValid) {
        FrameFormat frame;
        const unsigned char* body = bytes.data() + survivors.formatAt + ChunkHeader::bytes;
        readFrameFormat(body, survivors.formatSize, frame);
        if (formatFromChunk(frame, body, survivors.formatSize, used) != ChunkFormatFault::None)
            return false;
    }
    const std::uint64_t audioAt = survivors.audioAt();
    if (audioAt + used.samples.frameBytes() > findings.fileSize)
        return false;
    const FrameFit fit = frameFit(bytes.data(), bytes.size(), static_cast<std::size_t>(audioAt), used.samples);
    if (fit.sounding > 0
        && !(fit.fits && fit.phase == audioAt % used.samples.width
            && (survivors.formatValid || readsAsFormat(bytes, audioAt, used.samples, findings))))
        return false;
    findings.audioAt = audioAt;
    findings.inPlace = completeSurvivingHeader(bytes.data(), survivors, used, findings.fileSize, header)
        && soundHeader(header, findings.fileSize);
    if (!findings.inPlace)
        buildRevivedHeader(used, findings.fileSize - audioAt, 0, header);
    return true;
}

// Finds the audio in the open file and plans the header: Repaired, or the
// outcome that ends the revival here. In place, before gets the bytes the
// header replaces.
RepairResult examine(RandomFileAccess& file, const RevivalFormat& format, std::vector<unsigned char>& header,
    std::vector<unsigned char>& before, RevivalFindings& findings) {
    if (!file.getSize(findings.fileSize))
        return FileError;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(findings.fileSize, audioSearchBytes));
    std::vector<unsigned char> bytes(count);
    if (!readWhole(file, 0, bytes.data(), static_cast<std::uint32_t>(count)))
        return FileError;
    if (!reviveSurvivors(bytes, format, header, findings)) {
        const AudioStart start = findAudioStart(bytes.data(), count, format.samples, format.donorOffset);
        // Whether the samples read as the format comes first: where they do
        // not, what fits better is worth saying whatever else stays unproven.
        const std::size_t judgedFrom = start.fault == StartFault::None
            ? static_cast<std::size_t>(start.offset)
            : static_cast<std::size_t>(
                std::find_if(bytes.begin(), bytes.end(), [](unsigned char byte) { return byte != 0; }) - bytes.begin());
        if (start.fault != StartFault::Silence && !readsAsFormat(bytes, judgedFrom, format.samples, findings)) {
            findings.fault = RevivalFault::NoFit;
            return Unsupported;
        }
        findings.fault = faultOf(start.fault);
        if (findings.fault != RevivalFault::None)
            return Unsupported;
        // Where the room before the audio is too small for the header (RF64
        // needs more than RIFF), the header may take the silence that follows.
        const std::size_t frame = format.samples.frameBytes();
        const bool zerosSilent = format.samples.width > 1 || format.samples.isFloat;
        for (std::uint64_t at = start.offset; at > 0 && at <= count; at += frame) {
            findings.inPlace = buildRevivedHeader(format, findings.fileSize - at, at, header);
            if (findings.inPlace || !zerosSilent || at + frame > count
                || !std::all_of(bytes.begin() + at, bytes.begin() + at + frame, [](unsigned char b) { return b == 0; }))
                break;
        }
        findings.audioAt = findings.inPlace ? header.size() : start.offset;
        if (!findings.inPlace)
            buildRevivedHeader(format, findings.fileSize - start.offset, 0, header);
    }
    if (findings.inPlace)
        before.assign(bytes.begin(), bytes.begin() + findings.audioAt);
    return Repaired;
}

// Writes header in place, the form identifier last after a flush of the
// rest, which goes in one write; where the identifier stands already, it is
// wiped first, so that until the last write the file lacks its header and a
// crash leaves it to be revived again the same way.
bool writeInPlace(RandomFileAccess& file, const std::vector<unsigned char>& header,
    const std::vector<unsigned char>& before) {
    constexpr std::uint32_t form = 4;
    std::uint32_t done = 0;
    if (std::equal(header.begin(), header.begin() + form, before.begin())) {
        const unsigned char wiped[form] = {};
        if (!file.writeAt(0, wiped, form, done) || done != form || !file.flush())
            return false;
    }
    const std::uint32_t rest = static_cast<std::uint32_t>(header.size()) - form;
    return file.writeAt(form, header.data() + form, rest, done) && done == rest && file.flush()
        && file.writeAt(0, header.data(), form, done) && done == form;
}

bool writeBeside(RandomFileAccess& file, const RevivalFindings& findings, const std::vector<unsigned char>& header,
    CreatedFile& beside) {
    if (!beside.append(header.data(), static_cast<std::uint32_t>(header.size())))
        return false;
    std::vector<unsigned char> piece(copyBytes);
    for (std::uint64_t at = findings.audioAt; at < findings.fileSize;) {
        const std::uint32_t count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(copyBytes, findings.fileSize - at));
        if (!readWhole(file, at, piece.data(), count) || !beside.append(piece.data(), count))
            return false;
        at += count;
    }
    return beside.finish();
}

}

RepairResult HeaderReviver::revive(RandomFileAccess& file, const char* path, const RevivalFormat& format,
    CreatedFile& beside, const char* besidePath, bool dryRun, bool keepTime, RevivalFindings& findings) const {
    if (!file.open(path))
        return FileError;
    FileTime lastWrite;
    std::vector<unsigned char> header;
    std::vector<unsigned char> before;
    RepairResult result =
        file.getLastWriteTime(lastWrite) ? examine(file, format, header, before, findings) : FileError;
    if (result == Repaired && !findings.inPlace) {
        const bool made = dryRun ? beside.vacant(besidePath)
                                 : beside.create(besidePath) && writeBeside(file, findings, header, beside);
        if (!made) {
            findings.newFileFailed = true;
            if (!dryRun)
                beside.abandon();
            result = FileError;
        }
    } else if (result == Repaired && !dryRun) {
        if (!writeInPlace(file, header, before) || (keepTime && !file.setLastWriteTime(lastWrite)))
            result = FileError;
    }
    if (!file.close() && result == Repaired && findings.inPlace && !dryRun)
        result = FileError;
    return result;
}

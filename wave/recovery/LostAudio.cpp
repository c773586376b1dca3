#include "LostAudio.h"

#include "AudioStart.h"
#include "FormatFit.h"
#include "FrameFit.h"
#include "RevivedHeader.h"

#include <algorithm>
#include <vector>

namespace {

// The stretch of the bytes a format is judged on, as the revival judges one.
constexpr std::size_t judgedBytes = 256 * 1024;

// Whether the first block lines up at some offset within a sample: the cheap
// look that spares most clusters of other data the whole search.
bool firstBlockLinesUp(const unsigned char* bytes, std::size_t count, const SampleFormat& format) {
    if (blockFrames * format.frameBytes() + format.width > count)
        return false;
    for (unsigned phase = 0; phase < format.width; ++phase) {
        if (readBlock(bytes, format, phase) == BlockReading::LinesUp)
            return true;
    }
    return false;
}

}

bool findLostAudio(const unsigned char* bytes, std::size_t count, std::size_t firstBytes, const RevivalFormat& format,
    bool atTakeStart, std::uint64_t& audioAt) {
    // The cheap look spares most clusters of other data the search; a take's
    // first cluster, which an entry names, may begin quietly.
    // Zeros where a header was to be written may come first.
    const std::size_t zeros = static_cast<std::size_t>(
        std::find_if(bytes, bytes + std::min(count, firstBytes), [](unsigned char byte) { return byte != 0; }) - bytes);
    if (!atTakeStart && !firstBlockLinesUp(bytes + zeros, count - zeros, format.samples))
        return false;
    // A take whose recorder left the donor's header length of zeros for a
    // header it never wrote: its frames begin there, in the donor's channel
    // order, however its samples begin.
    const std::uint64_t donorAt = format.donorOffset;
    if (atTakeStart && donorAt > 0 && donorAt < firstBytes && zeros >= donorAt && zeros < count
        && judgeFormat(bytes, std::min<std::size_t>(count, donorAt + judgedBytes), donorAt, format.samples)
               .statedFits) {
        audioAt = donorAt;
        return true;
    }
    const AudioStart start = findAudioStart(bytes, count, format.samples, format.donorOffset);
    if (start.fault != StartFault::None || start.offset >= firstBytes)
        return false;
    const std::size_t from = static_cast<std::size_t>(start.offset);
    if (!judgeFormat(bytes, std::min(count, from + judgedBytes), from, format.samples).statedFits)
        return false;
    audioAt = start.offset;
    return true;
}

std::uint64_t lostHeaderRoom(const RevivalFormat& format) {
    std::vector<unsigned char> header;
    buildRevivedHeader(format, 1ull << 33, 0, header);
    return header.size();
}

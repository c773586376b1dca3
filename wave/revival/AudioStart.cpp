#include "AudioStart.h"

#include "ChannelOrder.h"
#include "Continuity.h"
#include "FrameFit.h"
#include "Smoothness.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The blocks after the first that lines up that must not be foreign.
constexpr int confirming = 3;
constexpr std::size_t referenceBlocks = 16;

bool allZero(const unsigned char* at, std::size_t count) {
    return std::all_of(at, at + count, [](unsigned char byte) { return byte == 0; });
}

// Whether the zeros at at are the zeros before the sound: a frame of zeros,
// or one that zeros from the frame before (or from the start) begin.
bool zerosAt(const unsigned char* bytes, std::size_t at, std::size_t frame) {
    const std::size_t before = std::min(at, frame);
    return allZero(bytes + at, frame) || (bytes[at] == 0 && allZero(bytes + at - before, before));
}

// The frames after the last that bytes not audio may have passed for sound
// in, and how many a closer look at the sound right there may give up.
constexpr int closerLooks = 4;
constexpr std::size_t localFrames = 64;

// Moves start, the first frame after bytes that are not audio, past what a
// closer look finds of them: frames with a sample that does not belong to the
// sound just after (bytes that passed for sound by chance), then one more
// unless the last sample before start is proven to belong to it, since the
// bytes that are not audio may otherwise reach into the low bytes of the
// first sample at start, which no measure tells from sound.
std::size_t pastForeignBytes(const unsigned char* bytes, std::size_t start, std::size_t high,
    const SampleFormat& format) {
    const std::size_t frame = format.frameBytes();
    if (start < format.width || start + (localFrames + 3) * frame > high)
        return start + frame;
    for (int look = 0; look < closerLooks && start + (localFrames + 3) * frame <= high; ++look) {
        const SoundReference local = soundReference(bytes + start + frame, localFrames, format);
        unsigned j = 0;
        while (j < format.channels && sampleContinuesBefore(bytes + start + j * format.width, j, format, local))
            ++j;
        if (j == format.channels)
            break;
        start += frame;
    }
    if (start + (localFrames + 3) * frame > high)
        return start;
    const SoundReference local = soundReference(bytes + start, localFrames, format);
    const unsigned last = format.channels - 1;
    return sampleTestProves(last, format, local)
            && sampleContinuesBefore(bytes + start - format.width, last, format, local)
        ? start
        : start + frame;
}

// Where the sound that runs to high begins, looking from low on its frame
// grid: after the frame past which, counting from low, frames that do not
// continue the next outnumber those that do the most (the last such frame),
// then past the zeros that follow; low itself when none do. Bytes that are not
// audio fail nearly every frame and sound hardly any, so a rare failure within
// the sound does not move the start; a closer look at the sound right there
// then settles the frames next to it (pastForeignBytes). Zeros count for
// neither: with zerosAccepted, they belong to the sound (a recorder's
// silence) and are never passed over.
std::size_t soundStart(const unsigned char* bytes, std::size_t low, std::size_t high, const SampleFormat& format,
    const SoundReference& reference, bool zerosAccepted) {
    const std::size_t frame = format.frameBytes();
    long balance = 0;
    long best = 0;
    std::size_t start = low;
    for (std::size_t at = low; at + 2 * frame <= high; at += frame) {
        if (!zerosAccepted && zerosAt(bytes, at, frame))
            continue;
        balance += continuesBefore(bytes + at, format, reference, zerosAccepted) ? -1 : 1;
        if (balance > best || (balance == best && best > 0)) {
            best = balance;
            start = at + frame;
        }
    }
    if (zerosAccepted)
        return start;
    if (best > 0)
        start = pastForeignBytes(bytes, start, high, format);
    while (start + 2 * frame <= high && zerosAt(bytes, start, frame))
        start += frame;
    return start;
}

// Whether the frames on the grid of at before at are at least half zeros or
// frames that fail to continue the next, as the fields of a header are.
bool noSoundBefore(const unsigned char* bytes, std::size_t at, const SampleFormat& format,
    const SoundReference& reference) {
    const std::size_t frame = format.frameBytes();
    std::size_t frames = 0;
    std::size_t sound = 0;
    for (std::size_t from = at % frame; from + frame <= at; from += frame, ++frames)
        sound += !zerosAt(bytes, from, frame) && continuesBefore(bytes + from, format, reference, false) ? 1 : 0;
    return 2 * sound <= frames;
}

// The first block at phase that lines up and is followed by no foreign one
// among the next few that sound; count when there is none.
std::size_t firstSoundBlock(const unsigned char* bytes, std::size_t count, std::size_t from, const SampleFormat& format,
    unsigned phase) {
    const std::size_t length = blockFrames * format.frameBytes();
    for (std::size_t start = from; start + length + format.width <= count; start += length) {
        if (readBlock(bytes + start - phase, format, phase) != BlockReading::LinesUp)
            continue;
        int seen = 0;
        bool foreign = false;
        for (std::size_t next = start + length; seen < confirming && next + length + format.width <= count;
             next += length) {
            const BlockReading reading = readBlock(bytes + next - phase, format, phase);
            foreign = reading == BlockReading::Foreign;
            if (foreign)
                break;
            seen += reading != BlockReading::Silent ? 1 : 0;
        }
        if (!foreign)
            return start;
    }
    return count;
}

}

AudioStart findAudioStart(const unsigned char* bytes, std::size_t count, const SampleFormat& format,
    std::uint64_t donorOffset) {
    AudioStart result;
    const unsigned char* firstSound = std::find_if(bytes, bytes + count, [](unsigned char byte) { return byte != 0; });
    if (firstSound == bytes + count) {
        result.fault = StartFault::Silence;
        return result;
    }
    const std::size_t nonZero = static_cast<std::size_t>(firstSound - bytes);
    const FrameFit fit = frameFit(bytes, count, nonZero, format);
    if (!fit.fits) {
        result.fault = fit.sounding == 0 ? StartFault::Silence : StartFault::NoFit;
        return result;
    }
    const std::size_t frame = format.frameBytes();
    const std::size_t aligned = (nonZero + format.width - 1) / format.width * format.width + fit.phase;
    const std::size_t sound = firstSoundBlock(bytes, count, aligned, format, fit.phase);
    if (sound == count) {
        result.fault = StartFault::NoFit;
        return result;
    }
    // The sound read on a frame grid, the channels in the grid's order: from
    // the block after the first, which may still hold the last bytes that
    // are not audio.
    const std::size_t length = blockFrames * frame;
    const std::size_t reference = count - sound >= 3 * length ? sound + length : sound;
    const std::size_t referenceLength =
        (std::min(referenceBlocks * blockFrames, (count - reference) / frame) - 1) * frame;
    const auto referenceOn = [&](std::size_t grid) {
        return soundReference(bytes + reference + (grid + frame - reference % frame) % frame, referenceLength / frame,
            format);
    };
    const std::size_t high = std::min(reference + length, count);

    // The channel order the samples prove, if they do: the grid of the frames.
    const int first = firstChannelPosition(bytes + reference, count - reference, format);
    const std::size_t provenGrid = first < 0 ? 0 : (reference + static_cast<std::size_t>(first) * format.width) % frame;

    // The recorder's header length, where the frames line up from there to
    // the sound, on the grid the samples prove if they do, with nothing but
    // sound between (zeros too, where they are silence: not in unsigned 8-bit
    // samples) and no sound before.
    const bool zerosSilent = format.width > 1 || format.isFloat;
    if (donorOffset > 0 && donorOffset <= sound && (sound - donorOffset) % format.width == 0
        && (first < 0 || donorOffset % frame == provenGrid)) {
        const SoundReference sound = referenceOn(donorOffset % frame);
        if (noSoundBefore(bytes, donorOffset, format, sound)
            && soundStart(bytes, donorOffset, high, format, sound, zerosSilent) == donorOffset) {
            result.offset = donorOffset;
            result.atDonorOffset = true;
            return result;
        }
    }

    // From the start of the search, on the frame grid the channel order
    // gives; zeros before the sound are given up.
    if (first < 0) {
        result.fault = StartFault::ChannelOrder;
        return result;
    }
    result.offset = soundStart(bytes, provenGrid, high, format, referenceOn(provenGrid), false);
    return result;
}

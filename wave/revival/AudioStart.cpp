#include "AudioStart.h"

#include "FrameFit.h"
#include "Smoothness.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A step between consecutive samples of a channel this many times its usual
// one, or a sample this far past the loudest, belongs to no sound nearby.
constexpr double stepFactor = 6.0;
constexpr double levelFactor = 1.25;
// The blocks after the first that lines up that must not be foreign.
constexpr int confirming = 3;
// How much the frame boundary must stand out among the steps between
// neighbouring samples to prove the channel order.
constexpr double orderMargin = 1.5;
constexpr std::size_t referenceBlocks = 16;

bool allZero(const unsigned char* at, std::size_t count) {
    return std::all_of(at, at + count, [](unsigned char byte) { return byte == 0; });
}

// What the sound right after a position is like, per channel: its usual step
// and its loudest sample.
struct Reference {
    std::vector<double> step;
    std::vector<double> level;
};

Reference referenceAt(const unsigned char* bytes, std::size_t frames, const SampleFormat& format) {
    Reference reference{std::vector<double>(format.channels, 0.0), std::vector<double>(format.channels, 0.0)};
    for (std::size_t n = 0; n < frames; ++n) {
        for (unsigned j = 0; j < format.channels; ++j) {
            const unsigned char* at = bytes + n * format.frameBytes() + j * format.width;
            const double value = sampleValue(at, format);
            reference.level[j] = std::max(reference.level[j], std::fabs(value));
            if (n + 1 < frames)
                reference.step[j] += std::fabs(sampleValue(at + format.frameBytes(), format) - value);
        }
    }
    for (double& step : reference.step)
        step /= static_cast<double>(frames - 1);
    return reference;
}

// Whether the frame at at belongs to the sound of the frame after it: every
// sample near its successor and no louder than the sound. With zerosAccepted,
// a sample of zero bytes (silence, or the zeros of a header) passes.
bool continues(const unsigned char* at, const SampleFormat& format, const Reference& reference, bool zerosAccepted) {
    // An integer sample is off by one step of its own at least; a float one
    // has no such step.
    const double quantum = format.isFloat ? 0 : 1;
    for (unsigned j = 0; j < format.channels; ++j) {
        const unsigned char* sample = at + j * format.width;
        if (zerosAccepted && allZero(sample, format.width))
            continue;
        const double value = sampleValue(sample, format);
        const double next = sampleValue(sample + format.frameBytes(), format);
        if (!(std::fabs(value) <= levelFactor * reference.level[j] + quantum)
            || !(std::fabs(next - value) <= stepFactor * reference.step[j] + quantum))
            return false;
    }
    return true;
}

// Whether the zeros at at are the zeros before the sound: a frame of zeros,
// or one that zeros from the frame before begin.
bool zerosAt(const unsigned char* bytes, std::size_t at, std::size_t frame) {
    return allZero(bytes + at, frame) || (at >= frame && bytes[at] == 0 && allZero(bytes + at - frame, frame));
}

// Where the sound that runs to high begins, looking from low on its frame
// grid: after the frame past which, counting from low, frames that do not
// continue the next outnumber those that do the most (the last such frame),
// then past the zeros that follow; low itself when none do. Bytes that are not
// audio fail nearly every frame and sound hardly any, so a rare failure within
// the sound does not move the start. Zeros count for neither: with
// zerosAccepted, they belong to the sound (a recorder's silence) and are never
// passed over. One frame more is given up after bytes that are not audio,
// whose last frame may hold the first bytes of the sound and pass by them.
std::size_t soundStart(const unsigned char* bytes, std::size_t low, std::size_t high, const SampleFormat& format,
    const Reference& reference, bool zerosAccepted) {
    const std::size_t frame = format.frameBytes();
    long balance = 0;
    long best = 0;
    std::size_t start = low;
    for (std::size_t at = low; at + 2 * frame <= high; at += frame) {
        if (!zerosAccepted && zerosAt(bytes, at, frame))
            continue;
        balance += continues(bytes + at, format, reference, zerosAccepted) ? -1 : 1;
        if (balance > best || (balance == best && best > 0)) {
            best = balance;
            start = at + frame;
        }
    }
    if (zerosAccepted)
        return start;
    if (best > 0 && start + 2 * frame <= high)
        start += frame;
    while (start + 2 * frame <= high && zerosAt(bytes, start, frame))
        start += frame;
    return start;
}

// Whether the frames on the grid of at before at are at least half zeros or
// frames that fail to continue the next, as the fields of a header are.
bool noSoundBefore(const unsigned char* bytes, std::size_t at, const SampleFormat& format, const Reference& reference) {
    const std::size_t frame = format.frameBytes();
    std::size_t frames = 0;
    std::size_t sound = 0;
    for (std::size_t from = at % frame; from + frame <= at; from += frame, ++frames)
        sound += !zerosAt(bytes, from, frame) && continues(bytes + from, format, reference, false) ? 1 : 0;
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

// Which position of the frame at sound (on the frame grid sound begins)
// is the first channel, when the samples prove it; -1 when they do not.
int firstChannel(const unsigned char* sound, std::size_t length, const SampleFormat& format) {
    if (format.channels == 1)
        return 0;
    const std::vector<double> steps = neighbourSteps(sound, length, format);
    if (steps.empty())
        return -1;
    std::vector<double> sorted = steps;
    std::sort(sorted.begin(), sorted.end());
    const double boundary = sorted.back();
    if (!(boundary >= orderMargin * sorted[sorted.size() - 2]))
        return -1;
    const int last = static_cast<int>(std::find(steps.begin(), steps.end(), boundary) - steps.begin());
    return (last + 1) % static_cast<int>(format.channels);
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
        return referenceAt(bytes + reference + (grid + frame - reference % frame) % frame, referenceLength / frame,
            format);
    };
    const std::size_t high = std::min(reference + length, count);

    // The recorder's header length, where the frames line up from there to
    // the sound with zeros and sound alone between and no sound before.
    if (donorOffset > 0 && donorOffset <= sound && (sound - donorOffset) % format.width == 0) {
        const Reference sound = referenceOn(donorOffset % frame);
        if (noSoundBefore(bytes, donorOffset, format, sound)
            && soundStart(bytes, donorOffset, high, format, sound, true) == donorOffset) {
            result.offset = donorOffset;
            result.atDonorOffset = true;
            return result;
        }
    }

    // From the start of the search, on the frame grid the channel order
    // gives; zeros before the sound are given up.
    const int first = firstChannel(bytes + reference, referenceLength, format);
    if (first < 0) {
        result.fault = StartFault::ChannelOrder;
        return result;
    }
    const std::size_t grid = (reference + static_cast<std::size_t>(first) * format.width) % frame;
    result.offset = soundStart(bytes, grid, high, format, referenceOn(grid), false);
    return result;
}

#include "Smoothness.h"

#include <algorithm>
#include <cmath>

namespace {

// Past full scale by this much, a float sample is no recording's.
constexpr double floatLimit = 16.0;
// A channel that strays from its mean by less than this share of full scale
// (-84 dB) on average holds a dither of silence, which proves nothing.
constexpr double quietest = 0x1p-14;
// Two steps across nearly all of a channel's range in the block, where that
// range spans most of the values the bytes that change can hold, are wraps:
// a byte read as the top of a sample that is not, passing from 0xFF to 0x00
// and back as the sound crosses zero. A single one may be sound that starts
// out of silence; a range far below what the bytes hold is quiet sound.
constexpr double wrapShare = 0.9;
constexpr double spanShare = 0.5;

struct ChannelSums {
    double deviation = 0;
    double steps = 0;
    double lowest = 0;
    double highest = 0;
    // The widest step and the one after it.
    double widestSteps[2] = {};
    // A bit for each byte of the sample, lowest first, that takes more than
    // one value.
    unsigned varyingBytes = 0;
    // Which values the lowest byte takes: bit 0 for 0x00, bit 1 for 0xFF,
    // bit 2 for any other.
    unsigned lowestValues = 0;
};

// Whether an integer channel reads as no sound does: it wraps around, a byte
// of its samples never changes while bytes above and below it do, or its
// lowest byte is nothing but 0x00 and 0xFF while higher ones change. The low
// bytes of sound may be constant padding and its high bytes a sign, but its
// middle bytes carry the sound, and its lowest byte is never a sign: that is
// the top byte of a neighbour read as the bottom of a sample.
bool wrapsOrSplits(const ChannelSums& sums) {
    const unsigned varying = sums.varyingBytes;
    if (varying == 0)
        return false;
    if (sums.lowestValues == 3 && varying > 1)
        return true;
    int low = 0;
    while ((varying >> low & 1) == 0)
        ++low;
    const unsigned changing = varying >> low;
    if ((changing & (changing + 1)) != 0)
        return true;
    int high = low;
    while (varying >> (high + 1) != 0)
        ++high;
    const double range = sums.highest - sums.lowest;
    return sums.widestSteps[1] > wrapShare * range && range > spanShare * std::ldexp(1.0, 8 * (high + 1));
}

}

Smoothness smoothness(const unsigned char* bytes, std::size_t count, const SampleFormat& format) {
    Smoothness result;
    result.channels.assign(format.channels, 0.0);
    const std::size_t frames = count / format.frameBytes();
    if (frames < 2)
        return result;
    if (format.isFloat) {
        for (std::size_t i = 0; i < frames * format.channels; ++i) {
            if (!(std::fabs(sampleValue(bytes + i * format.width, format)) <= floatLimit)) {
                result.implausible = true;
                return result;
            }
        }
    }
    std::vector<ChannelSums> sums(format.channels);
    std::vector<double> values(frames);
    for (unsigned j = 0; j < format.channels; ++j) {
        ChannelSums& channel = sums[j];
        const unsigned char* first = bytes + j * format.width;
        const std::uint64_t firstBits = loadUnsigned(first, format.width, ByteOrder::Little);
        std::uint64_t changedBits = 0;
        double mean = 0;
        for (std::size_t n = 0; n < frames; ++n) {
            const unsigned char* at = first + n * format.frameBytes();
            changedBits |= loadUnsigned(at, format.width, ByteOrder::Little) ^ firstBits;
            channel.lowestValues |= at[0] == 0 ? 1u : at[0] == 0xFF ? 2u : 4u;
            values[n] = sampleValue(at, format);
            mean += values[n];
        }
        for (unsigned b = 0; b < format.width; ++b)
            channel.varyingBytes |= ((changedBits >> (8 * b) & 0xFF) != 0 ? 1u : 0u) << b;
        mean /= static_cast<double>(frames);
        channel.lowest = channel.highest = values[0];
        for (std::size_t n = 0; n < frames; ++n) {
            channel.deviation += std::fabs(values[n] - mean);
            channel.lowest = std::min(channel.lowest, values[n]);
            channel.highest = std::max(channel.highest, values[n]);
            if (n + 1 == frames)
                continue;
            const double step = std::fabs(values[n + 1] - values[n]);
            channel.steps += step;
            double* widest = channel.widestSteps;
            if (step > widest[1])
                widest[1] = step;
            if (widest[1] > widest[0])
                std::swap(widest[0], widest[1]);
        }
    }
    unsigned sounding = 0;
    for (unsigned j = 0; j < format.channels; ++j) {
        if (sums[j].deviation <= 0)
            continue;
        if (!format.isFloat && wrapsOrSplits(sums[j])) {
            result.implausible = true;
            return result;
        }
        const double fullScale = format.isFloat ? 1.0 : std::ldexp(1.0, 8 * static_cast<int>(format.width) - 1);
        if (sums[j].deviation / static_cast<double>(frames) < quietest * fullScale)
            continue;
        const double score =
            (sums[j].steps / static_cast<double>(frames - 1)) / (sums[j].deviation / static_cast<double>(frames));
        result.channels[j] = score;
        result.mean += score;
        result.worst = std::max(result.worst, score);
        ++sounding;
    }
    result.silent = sounding == 0;
    if (sounding > 0)
        result.mean /= sounding;
    return result;
}

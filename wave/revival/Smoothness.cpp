#include "Smoothness.h"

#include <algorithm>
#include <cmath>

namespace {

// Past full scale by this much, a float sample is no recording's.
constexpr double floatLimit = 16.0;
// A step across nearly all of a channel's range in the block, and across
// half the values of its lowest byte that changes at least, is a wrap.
constexpr double wrapShare = 0.9;
constexpr double leastWrap = 128;

struct ChannelSums {
    double deviation = 0;
    double steps = 0;
    double lowest = 0;
    double highest = 0;
    double widestStep = 0;
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
    unsigned low = 0;
    while ((varying >> low & 1) == 0)
        ++low;
    const unsigned span = varying >> low;
    const double quantum = std::ldexp(1.0, 8 * static_cast<int>(low));
    const double widest = sums.widestStep;
    return (span & (span + 1)) != 0
        || (widest >= leastWrap * quantum && widest > wrapShare * (sums.highest - sums.lowest));
}

std::vector<double> channelMeans(const unsigned char* bytes, std::size_t frames, const SampleFormat& format) {
    std::vector<double> means(format.channels, 0.0);
    for (std::size_t n = 0; n < frames; ++n)
        for (unsigned j = 0; j < format.channels; ++j)
            means[j] += sampleValue(bytes + n * format.frameBytes() + j * format.width, format);
    for (double& mean : means)
        mean /= static_cast<double>(frames);
    return means;
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
    const std::vector<double> means = channelMeans(bytes, frames, format);
    for (std::size_t n = 0; n < frames; ++n) {
        for (unsigned j = 0; j < format.channels; ++j) {
            const unsigned char* at = bytes + n * format.frameBytes() + j * format.width;
            const double value = sampleValue(at, format);
            sums[j].deviation += std::fabs(value - means[j]);
            sums[j].lowest = n == 0 ? value : std::min(sums[j].lowest, value);
            sums[j].highest = n == 0 ? value : std::max(sums[j].highest, value);
            sums[j].lowestValues |= at[0] == 0 ? 1u : at[0] == 0xFF ? 2u : 4u;
            for (unsigned b = 0; b < format.width; ++b)
                sums[j].varyingBytes |= (at[b] != bytes[j * format.width + b] ? 1u : 0u) << b;
            if (n + 1 < frames) {
                const double step = std::fabs(sampleValue(at + format.frameBytes(), format) - value);
                sums[j].steps += step;
                sums[j].widestStep = std::max(sums[j].widestStep, step);
            }
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

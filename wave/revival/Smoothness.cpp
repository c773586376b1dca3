#include "Smoothness.h"

#include <algorithm>
#include <cmath>

namespace {

// Past full scale by this much, a float sample is no recording's.
constexpr double floatLimit = 16.0;

struct ChannelSums {
    double deviation = 0;
    double steps = 0;
};

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
            if (n + 1 < frames)
                sums[j].steps += std::fabs(sampleValue(at + format.frameBytes(), format) - value);
        }
    }
    unsigned sounding = 0;
    for (unsigned j = 0; j < format.channels; ++j) {
        if (sums[j].deviation <= 0)
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

std::vector<double> neighbourSteps(const unsigned char* bytes, std::size_t count, const SampleFormat& format) {
    const std::size_t frames = count / format.frameBytes();
    if (frames < 2)
        return {};
    const std::vector<double> means = channelMeans(bytes, frames, format);
    std::vector<double> levels(format.channels, 0.0);
    for (std::size_t n = 0; n < frames; ++n)
        for (unsigned j = 0; j < format.channels; ++j)
            levels[j] += std::fabs(sampleValue(bytes + n * format.frameBytes() + j * format.width, format) - means[j]);
    for (double level : levels)
        if (level <= 0)
            return {};
    // A channel may carry the sound inverted: the nearer of the two counts.
    std::vector<double> steps(format.channels, 0.0);
    std::vector<double> inverted(format.channels, 0.0);
    const std::size_t samples = (frames - 1) * format.channels;
    for (std::size_t i = 0; i < samples; ++i) {
        const unsigned j = static_cast<unsigned>(i % format.channels);
        const unsigned k = (j + 1) % format.channels;
        const double a = (sampleValue(bytes + i * format.width, format) - means[j]) / levels[j];
        const double b = (sampleValue(bytes + (i + 1) * format.width, format) - means[k]) / levels[k];
        steps[j] += std::fabs(a - b);
        inverted[j] += std::fabs(a + b);
    }
    for (unsigned j = 0; j < format.channels; ++j)
        steps[j] = std::min(steps[j], inverted[j]);
    return steps;
}

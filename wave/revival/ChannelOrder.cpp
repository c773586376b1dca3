#include "ChannelOrder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The correlations are summed over blocks with their own means taken out, so
// that slow drifts which independent sources share by chance add nothing.
constexpr std::size_t blockFrames = 4096;
// The frame lags looked at: the peak must lie at 0 or -1 with a lag on
// either side of it.
constexpr int lowestLag = -2;
constexpr int lags = 4;
// A pair proves nothing below this correlation at its peak, nor when its
// peak lies this close to half a frame from a whole one.
constexpr double leastCorrelation = 0.3;
constexpr double leastDistanceFromHalf = 0.15;

// The products of a pair's samples at each lag, and of their steps: the
// steps weigh the higher frequencies, where a filter on one channel shifts
// the sound little, so a pair proves its lag only where both agree.
struct PairSums {
    double products[lags] = {};
    double stepProducts[lags] = {};
};

double lagProduct(const double* a, const double* b, std::size_t length, int lag) {
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(length);
    double sum = 0;
    for (std::ptrdiff_t n = std::max(0, -lag); n < count && n + lag < count; ++n)
        sum += a[n] * b[n + lag];
    return sum;
}

// The samples of one block, channel by channel, each less its mean.
std::vector<double> blockSamples(const unsigned char* bytes, std::size_t frames, const SampleFormat& format) {
    const unsigned channels = format.channels;
    std::vector<double> samples(frames * channels);
    for (unsigned j = 0; j < channels; ++j) {
        double mean = 0;
        for (std::size_t n = 0; n < frames; ++n) {
            const double value = sampleValue(bytes + n * format.frameBytes() + j * format.width, format);
            samples[j * frames + n] = std::isfinite(value) ? value : 0;
            mean += samples[j * frames + n];
        }
        mean /= static_cast<double>(frames);
        for (std::size_t n = 0; n < frames; ++n)
            samples[j * frames + n] -= mean;
    }
    return samples;
}

// The steps from each sample of a block to the next, channel by channel.
std::vector<double> blockSteps(const std::vector<double>& samples, std::size_t frames, unsigned channels) {
    std::vector<double> steps(samples.size(), 0.0);
    for (unsigned j = 0; j < channels; ++j)
        for (std::size_t n = 1; n < frames; ++n)
            steps[j * frames + n] = samples[j * frames + n] - samples[j * frames + n - 1];
    return steps;
}

// Where a pair's correlation peaks, in frames: 0 when its two positions lie
// in one frame of the recording, -1 when the second lies in the next one;
// anything else when the pair proves nothing.
int peakLag(const double (&products)[lags], double energy) {
    double value[lags];
    int best = 0;
    for (int k = 0; k < lags; ++k) {
        value[k] = products[k] / energy;
        if (std::fabs(value[k]) > std::fabs(value[best]))
            best = k;
    }
    if (best == 0 || best == lags - 1 || !(std::fabs(value[best]) >= leastCorrelation))
        return lags;
    // A channel may carry the sound inverted: its peak is then a trough.
    const double sign = value[best] < 0 ? -1 : 1;
    const double before = sign * value[best - 1];
    const double at = sign * value[best];
    const double after = sign * value[best + 1];
    const double curve = before - 2 * at + after;
    if (!(curve < 0))
        return lags;
    const double offset = 0.5 * (before - after) / curve;
    if (!(std::fabs(offset) <= 0.5 - leastDistanceFromHalf))
        return lags;
    return best + lowestLag;
}

}

int firstChannelPosition(const unsigned char* bytes, std::size_t count, const SampleFormat& format) {
    const unsigned channels = format.channels;
    if (channels == 1)
        return 0;
    const std::size_t frames = count / format.frameBytes();
    std::vector<PairSums> pairs(channels * channels);
    std::vector<double> energy(channels, 0.0);
    std::vector<double> stepEnergy(channels, 0.0);
    for (std::size_t first = 0; first + blockFrames / 4 <= frames; first += blockFrames) {
        const std::size_t length = std::min(blockFrames, frames - first);
        const std::vector<double> samples = blockSamples(bytes + first * format.frameBytes(), length, format);
        const std::vector<double> steps = blockSteps(samples, length, channels);
        for (unsigned p = 0; p < channels; ++p) {
            const double* a = samples.data() + p * length;
            const double* da = steps.data() + p * length;
            energy[p] += lagProduct(a, a, length, 0);
            stepEnergy[p] += lagProduct(da, da, length, 0);
            for (unsigned q = p + 1; q < channels; ++q) {
                PairSums& sums = pairs[p * channels + q];
                for (int k = 0; k < lags; ++k) {
                    sums.products[k] += lagProduct(a, samples.data() + q * length, length, k + lowestLag);
                    sums.stepProducts[k] += lagProduct(da, steps.data() + q * length, length, k + lowestLag);
                }
            }
        }
    }
    // The boundaries each pair allows: positions from boundary on belong to
    // the next frame of the recording (boundary == channels: none do).
    std::vector<bool> allowed(channels + 1, true);
    allowed[0] = false;
    bool told = false;
    for (unsigned p = 0; p < channels; ++p) {
        for (unsigned q = p + 1; q < channels; ++q) {
            if (!(stepEnergy[p] > 0 && stepEnergy[q] > 0))
                continue;
            const PairSums& sums = pairs[p * channels + q];
            const int lag = peakLag(sums.products, std::sqrt(energy[p] * energy[q]));
            if ((lag != 0 && lag != -1) || peakLag(sums.stepProducts, std::sqrt(stepEnergy[p] * stepEnergy[q])) != lag)
                continue;
            told = true;
            for (unsigned boundary = 1; boundary <= channels; ++boundary)
                if ((p < boundary && boundary <= q) != (lag == -1))
                    allowed[boundary] = false;
        }
    }
    if (!told || std::count(allowed.begin(), allowed.end(), true) != 1)
        return -1;
    const unsigned boundary = static_cast<unsigned>(std::find(allowed.begin(), allowed.end(), true) - allowed.begin());
    return static_cast<int>(boundary % channels);
}

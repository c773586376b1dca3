#include "FormatFit.h"

#include "FrameFit.h"

#include <vector>

namespace {

// As many channels again read this much smoother: the stated count is too
// few. Narrower samples must line up nearly as often as the stated ones.
constexpr double smootherByFar = 0.5;
// Narrower samples that read this much rougher are smooth only because
// channels repeat each other, as dual mono does.
constexpr double roughestNarrower = 1.25;
// Among formats that fit, more channels of one width take the place of
// fewer only this much smoother.
constexpr double clearlySmoother = 0.9;

// The formats that, where they fit, describe the bytes better than format.
std::vector<SampleFormat> rivalsOf(const SampleFormat& format) {
    std::vector<SampleFormat> rivals;
    if (format.isFloat)
        return rivals;
    if (format.width == 4)
        rivals.push_back({4, true, format.channels});
    for (unsigned width = 1; width < format.width; ++width) {
        const unsigned channels = format.channels * (format.width / width);
        if (format.width % width == 0 && channels <= mostGuessedChannels)
            rivals.push_back({width, false, channels});
    }
    return rivals;
}

bool beats(const FrameFit& rival, const SampleFormat& rivalFormat, const FrameFit& fit, const SampleFormat& format) {
    if (!rival.fits)
        return false;
    if (rivalFormat.isFloat != format.isFloat)
        return true;
    if (rivalFormat.width < format.width)
        return !rival.constantChannel && rival.linedUp * fit.sounding * 5 >= fit.linedUp * rival.sounding * 4
            && rival.score <= roughestNarrower * fit.score;
    return rival.score < smootherByFar * fit.score;
}

// format, or the rival that describes the bytes better.
SampleFormat settle(const unsigned char* bytes, std::size_t count, std::size_t from, SampleFormat format) {
    for (bool changed = true; changed;) {
        changed = false;
        const FrameFit fit = frameFit(bytes, count, from, format);
        std::vector<SampleFormat> rivals = rivalsOf(format);
        for (unsigned times = 2; format.channels * times <= mostGuessedChannels; ++times)
            rivals.push_back({format.width, format.isFloat, format.channels * times});
        for (const SampleFormat& rival : rivals) {
            if (beats(frameFit(bytes, count, from, rival), rival, fit, format)) {
                format = rival;
                changed = true;
                break;
            }
        }
    }
    return format;
}

}

FormatVerdict judgeFormat(const unsigned char* bytes, std::size_t count, std::size_t from, const SampleFormat& stated) {
    FormatVerdict verdict;
    if (frameFit(bytes, count, from, stated).fits) {
        verdict.better = settle(bytes, count, from, stated);
        verdict.statedFits = verdict.better == stated;
        verdict.betterFound = !verdict.statedFits;
        return verdict;
    }
    const SampleFormat candidates[] = {{1, false, 1}, {2, false, 1}, {3, false, 1}, {4, false, 1}, {4, true, 1},
        {8, true, 1}};
    double bestScore = 0;
    for (const SampleFormat& width : candidates) {
        for (unsigned channels = 1; channels <= mostGuessedChannels; ++channels) {
            const SampleFormat candidate{width.width, width.isFloat, channels};
            const FrameFit fit = frameFit(bytes, count, from, candidate);
            // More channels of one width must read clearly smoother: channels
            // that carry one scene read nearly as smoothly two frames at once.
            const bool more = verdict.betterFound && verdict.better.width == candidate.width
                && verdict.better.isFloat == candidate.isFloat;
            if (fit.fits && (!verdict.betterFound || fit.score < (more ? clearlySmoother : 1.0) * bestScore)) {
                verdict.betterFound = true;
                verdict.better = candidate;
                bestScore = fit.score;
            }
        }
    }
    if (verdict.betterFound)
        verdict.better = settle(bytes, count, from, verdict.better);
    return verdict;
}

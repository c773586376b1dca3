#include "FrameFit.h"

#include "Smoothness.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// Sound scores well below noise's 1.4 on the whole, and no channel of it
// scores as noise; at the right offset it is markedly smoother than at a
// wrong one, and a wrong one is hardly smoother than the right one.
constexpr double smoothBound = 0.9;
constexpr double channelBound = 1.2;
constexpr double markedly = 0.7;
constexpr double hardly = 0.9;
// 8-bit samples have no other offset to compare with: this much is noise.
constexpr double noiseBound = 1.15;
// At least this many blocks, most of those that line up anywhere and a third
// of those that sound.
constexpr std::size_t fewestLinedUp = 3;

double scoreOf(const Smoothness& reading) {
    return reading.silent || reading.implausible ? std::numeric_limits<double>::infinity() : reading.mean;
}

std::vector<Smoothness> readingsOf(const unsigned char* bytes, const SampleFormat& format) {
    std::vector<Smoothness> readings;
    for (unsigned phase = 0; phase < format.width; ++phase)
        readings.push_back(smoothness(bytes + phase, blockFrames * format.frameBytes(), format));
    return readings;
}

BlockReading classify(const std::vector<Smoothness>& readings, unsigned phase) {
    const Smoothness& here = readings[phase];
    if (here.implausible)
        return BlockReading::Foreign;
    if (here.silent)
        return BlockReading::Silent;
    double elsewhere = std::numeric_limits<double>::infinity();
    for (unsigned other = 0; other < readings.size(); ++other)
        if (other != phase)
            elsewhere = std::min(elsewhere, scoreOf(readings[other]));
    if (readings.size() == 1 ? here.mean >= noiseBound : here.mean >= hardly * elsewhere)
        return BlockReading::Foreign;
    if (here.mean < smoothBound && here.worst < channelBound && here.mean < markedly * elsewhere)
        return BlockReading::LinesUp;
    return BlockReading::Unclear;
}

}

BlockReading readBlock(const unsigned char* bytes, const SampleFormat& format, unsigned phase) {
    return classify(readingsOf(bytes, format), phase);
}

FrameFit frameFit(const unsigned char* bytes, std::size_t count, std::size_t from, const SampleFormat& format) {
    FrameFit fit;
    const std::size_t length = blockFrames * format.frameBytes();
    std::size_t start = (from + format.width - 1) / format.width * format.width;
    std::vector<std::size_t> linedUp(format.width, 0);
    std::vector<double> scores(format.width, 0.0);
    std::vector<std::size_t> constant(format.width, 0);
    for (; start + length + format.width <= count; start += length) {
        // A block that reads as silence at some offset proves nothing: read
        // elsewhere its dither may look like anything.
        bool sounding = true;
        const std::vector<Smoothness> readings = readingsOf(bytes + start, format);
        for (unsigned phase = 0; phase < format.width; ++phase) {
            const BlockReading reading = classify(readings, phase);
            sounding = sounding && reading != BlockReading::Silent;
            if (reading != BlockReading::LinesUp)
                continue;
            const Smoothness& block = readings[phase];
            ++linedUp[phase];
            scores[phase] += block.mean;
            if (std::count(block.channels.begin(), block.channels.end(), 0.0) > 0)
                ++constant[phase];
        }
        fit.sounding += sounding ? 1 : 0;
    }
    const auto best = std::max_element(linedUp.begin(), linedUp.end());
    std::size_t total = 0;
    for (std::size_t votes : linedUp)
        total += votes;
    fit.phase = static_cast<unsigned>(best - linedUp.begin());
    fit.linedUp = *best;
    fit.fits = fit.linedUp >= fewestLinedUp && 3 * fit.linedUp >= 2 * total && 3 * fit.linedUp >= fit.sounding;
    if (fit.linedUp > 0) {
        fit.score = scores[fit.phase] / static_cast<double>(fit.linedUp);
        fit.constantChannel = 2 * constant[fit.phase] > fit.linedUp;
    }
    return fit;
}

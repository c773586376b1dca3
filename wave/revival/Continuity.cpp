#include "Continuity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// A sample this many usual steps from the next, or usual bends from where its
// neighbours point, or this far past the loudest, belongs to no sound nearby.
constexpr double stepFactor = 6.0;
constexpr double bendFactor = 6.0;
constexpr double levelFactor = 1.25;
// A float sample this far below the loudest is no recording's, but zero; near
// the sound, one this far below it hardly ever lies between two that are not.
constexpr double faintest = 0x1p-40;
constexpr double faintestNear = 0x1p-16;
// How much more one side of a seam may miss than the other, as a sound that
// swells or starts at the seam does, before the seam strays the more for it.
constexpr double unlikeSides = 16;
// The share of all values a sample may take that may pass a test that
// proves it sound.
constexpr double chanceShare = 1.0 / 256;

bool allZero(const unsigned char* at, std::size_t count) {
    return std::all_of(at, at + count, [](unsigned char byte) { return byte == 0; });
}

// A float sample too faint for any recording but zero, which the bytes of
// other data often read as.
bool tooFaint(double value, const SampleFormat& format, double level, double share) {
    return format.isFloat && value != 0 && std::fabs(value) < share * level;
}

double valueAt(const unsigned char* frame, unsigned channel, const SampleFormat& format) {
    return sampleValue(frame + channel * format.width, format);
}

}

SoundReference soundReference(const unsigned char* bytes, std::size_t frames, const SampleFormat& format) {
    const unsigned channels = format.channels;
    SoundReference reference{std::vector<double>(channels, 0.0), std::vector<double>(channels, 0.0),
        std::vector<double>(channels, 0.0)};
    const std::size_t frame = format.frameBytes();
    for (std::size_t n = 0; n < frames; ++n) {
        for (unsigned j = 0; j < channels; ++j) {
            const double value = valueAt(bytes + n * frame, j, format);
            reference.level[j] = std::max(reference.level[j], std::fabs(value));
            if (n + 1 < frames)
                reference.step[j] += std::fabs(valueAt(bytes + (n + 1) * frame, j, format) - value);
            if (n + 2 < frames)
                reference.bend[j] += std::fabs(value - 2 * valueAt(bytes + (n + 1) * frame, j, format)
                    + valueAt(bytes + (n + 2) * frame, j, format));
        }
    }
    for (unsigned j = 0; j < channels; ++j) {
        reference.step[j] /= static_cast<double>(std::max<std::size_t>(frames, 2) - 1);
        reference.bend[j] /= static_cast<double>(std::max<std::size_t>(frames, 3) - 2);
    }
    return reference;
}

bool continuesBefore(const unsigned char* at, const SampleFormat& format, const SoundReference& reference,
    bool zerosAccepted) {
    // An integer sample is off by one step of its own at least; a float one
    // has no such step.
    const double quantum = format.isFloat ? 0 : 1;
    for (unsigned j = 0; j < format.channels; ++j) {
        if (zerosAccepted && allZero(at + j * format.width, format.width))
            continue;
        const double value = valueAt(at, j, format);
        if (tooFaint(value, format, reference.level[j], faintest)
            || !(std::fabs(value) <= levelFactor * reference.level[j] + quantum)
            || !(std::fabs(valueAt(at + format.frameBytes(), j, format) - value)
                <= stepFactor * reference.step[j] + quantum))
            return false;
    }
    return true;
}

bool sampleContinuesBefore(const unsigned char* at, unsigned channel, const SampleFormat& format,
    const SoundReference& reference) {
    const double quantum = format.isFloat ? 0 : 1;
    const std::size_t frame = format.frameBytes();
    const double value = sampleValue(at, format);
    const double next = sampleValue(at + frame, format);
    const double pointed = 2 * next - sampleValue(at + 2 * frame, format);
    return !tooFaint(value, format, reference.level[channel], faintestNear)
        && std::fabs(value) <= levelFactor * reference.level[channel] + quantum
        && std::fabs(next - value) <= stepFactor * reference.step[channel] + quantum
        && std::fabs(value - pointed) <= bendFactor * reference.bend[channel] + 2 * quantum;
}

bool sampleTestProves(unsigned channel, const SampleFormat& format, const SoundReference& reference) {
    // Random bytes read as floats are faint more often than not, near enough
    // to sound wherever it passes zero.
    if (format.isFloat)
        return false;
    const double passing = 2 * (bendFactor * reference.bend[channel] + 2) + 1;
    return passing <= chanceShare * std::ldexp(1.0, 8 * static_cast<int>(format.width));
}

namespace {

// x[n] = ahead * x[n - 1] + behind * x[n - 2] + a miss: the weights that make
// the misses least over a run of one channel's samples, and their mean square.
// Where the sound gives the weights no footing (silence, a line), the line
// through the two previous samples stands.
struct TwoSampleLine {
    double ahead = 2;
    double behind = -1;
    double miss = 0;

    double point(double previous, double beforePrevious) const { return ahead * previous + behind * beforePrevious; }
};

// Over values[0], values[step], ... (count of them), each predicted from the
// two before it in that order.
TwoSampleLine fitLine(const double* values, std::ptrdiff_t step, std::size_t count) {
    const auto at = [&](std::size_t n) { return values[static_cast<std::ptrdiff_t>(n) * step]; };
    double near = 0, far = 0, cross = 0, withNear = 0, withFar = 0;
    for (std::size_t n = 2; n < count; ++n) {
        const double x = at(n), y = at(n - 1), z = at(n - 2);
        near += y * y;
        far += z * z;
        cross += y * z;
        withNear += x * y;
        withFar += x * z;
    }
    TwoSampleLine line;
    const double determinant = near * far - cross * cross;
    if (determinant > 1e-9 * near * far) {
        line.ahead = (withNear * far - withFar * cross) / determinant;
        line.behind = (withFar * near - withNear * cross) / determinant;
    }
    for (std::size_t n = 2; n < count; ++n) {
        const double miss = at(n) - line.point(at(n - 1), at(n - 2));
        line.miss += miss * miss;
    }
    line.miss /= static_cast<double>(count > 2 ? count - 2 : 1);
    return line;
}

}

double seamStray(const unsigned char* frames, std::size_t seam, std::size_t count, const SampleFormat& format) {
    const std::size_t side = std::min({seam, count - seam, seamSide});
    const double quantum = format.isFloat ? 0x1p-24 : 1;
    std::vector<double> values(2 * side);
    double stray = 0;
    for (unsigned j = 0; j < format.channels; ++j) {
        for (std::size_t n = 0; n < 2 * side; ++n)
            values[n] = valueAt(frames + (seam - side + n) * format.frameBytes(), j, format);
        const double* before = values.data();
        const double* after = values.data() + side;
        const TwoSampleLine forward = fitLine(before, 1, side);
        const TwoSampleLine backward = fitLine(after + side - 1, -1, side);
        const double misses[4] = {
            after[0] - forward.point(before[side - 1], before[side - 2]),
            after[1] - forward.point(after[0], before[side - 1]),
            before[side - 1] - backward.point(after[0], after[1]),
            before[side - 2] - backward.point(before[side - 1], after[0]),
        };
        // Sides of one sound miss alike; where one misses far more (bytes that
        // are no sound, or frames read off their grid), the seam strays as
        // much more.
        const double floor = quantum * quantum;
        const double usual = std::max({forward.miss, backward.miss, floor});
        const double unlike = usual / std::max(std::min(forward.miss, backward.miss), floor);
        double missed = 0;
        for (double miss : misses)
            missed += miss * miss / usual;
        stray += missed * std::max(1.0, unlike / unlikeSides);
    }
    return stray / (4.0 * format.channels);
}

bool bendsBreak(const unsigned char* frames, std::size_t seam, std::size_t side, const SampleFormat& format,
    double bound) {
    const std::size_t frame = format.frameBytes();
    const double quantum = format.isFloat ? 0x1p-24 : 1;
    for (unsigned j = 0; j < format.channels; ++j) {
        // Frame seam + k - 2 for k from 0 to 3, then outwards as the side bends
        // are needed: this runs at every sector of a recording, and a seam
        // inside sound is told after a few.
        const auto value = [&](std::ptrdiff_t k) {
            const unsigned char* at = frames
                + (static_cast<std::ptrdiff_t>(seam) + k - 2) * static_cast<std::ptrdiff_t>(frame) + j * format.width;
            if (format.isFloat || format.width == 1 || format.width == 4)
                return sampleValue(at, format);
            if (format.width == 2)
                return static_cast<double>(static_cast<std::int16_t>(at[0] | at[1] << 8));
            return static_cast<double>(static_cast<std::int32_t>(std::uint32_t(at[0]) << 8 | std::uint32_t(at[1]) << 16
                                           | std::uint32_t(at[2]) << 24)
                / 256);
        };
        double before[3] = {value(1), value(0), 0};
        double after[3] = {value(2), value(3), 0};
        const double spanning =
            std::max(std::fabs(after[0] - 2 * before[0] + before[1]), std::fabs(after[1] - 2 * after[0] + before[0]));
        const double needed = spanning * spanning / bound;
        double usual = quantum * quantum;
        for (std::size_t i = 0; i < side && usual <= needed; ++i) {
            // before[0..1] and after[0..1] are the frames nearest the seam not
            // yet weighed on each side.
            before[2] = value(-1 - static_cast<std::ptrdiff_t>(i));
            after[2] = value(4 + static_cast<std::ptrdiff_t>(i));
            const double b = before[0] - 2 * before[1] + before[2];
            const double a = after[2] - 2 * after[1] + after[0];
            usual += (a * a + b * b) / (2.0 * static_cast<double>(side));
            before[0] = before[1];
            before[1] = before[2];
            after[0] = after[1];
            after[1] = after[2];
        }
        if (usual <= needed)
            return true;
    }
    return false;
}

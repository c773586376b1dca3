#include "SynthRecording.h"

#include <cmath>
#include <cstring>

namespace {

std::uint32_t nextRandom(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

}

std::vector<unsigned char> synthRecording(const SampleFormat& format, std::uint32_t frames, Signal signal) {
    std::vector<unsigned char> bytes(std::size_t(frames) * format.frameBytes());
    std::uint32_t state = 12345;
    const double pi = 3.14159265358979;
    for (std::uint32_t n = 0; n < frames; ++n) {
        const double swell = 0.55 + 0.4 * std::sin(2 * pi * n / 9000.0);
        for (unsigned j = 0; j < format.channels; ++j) {
            double value = 0;
            if (signal == Signal::Shared)
                value = swell * (0.6 - 0.07 * j)
                    * (0.6 * std::sin(2 * pi * 0.0061 * n) + 0.3 * std::sin(2 * pi * 0.0173 * n + 1)
                        + 0.1 * std::sin(2 * pi * 0.041 * n));
            else if (signal == Signal::Unrelated)
                value = 0.8 * swell * std::sin(2 * pi * (0.0047 + 0.0031 * j) * n + j);
            else
                value = nextRandom(state) / 8388608.0 - 1;
            unsigned char* at = bytes.data() + std::size_t(n) * format.frameBytes() + j * format.width;
            if (format.isFloat && format.width == 4) {
                const float sample = static_cast<float>(value);
                std::memcpy(at, &sample, 4);
            } else if (format.isFloat) {
                std::memcpy(at, &value, 8);
            } else {
                const double full = std::ldexp(1.0, 8 * format.width - 1) - 1;
                std::int64_t sample = std::llround(value * full);
                if (format.width == 1)
                    sample += 128;
                for (unsigned b = 0; b < format.width; ++b)
                    at[b] = static_cast<unsigned char>(static_cast<std::uint64_t>(sample) >> (8 * b));
            }
        }
    }
    return bytes;
}

std::vector<unsigned char> foreignBytes(std::size_t count, std::uint32_t seed) {
    std::vector<unsigned char> bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(nextRandom(seed));
    return bytes;
}

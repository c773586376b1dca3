#pragma once

#include "ByteOrder.h"

#include <cstdint>
#include <cstring>

// How the bytes of headerless audio are taken to hold frames: little-endian
// integers of width bytes (8-bit unsigned, wider signed) or IEEE floats of 4
// or 8 bytes, channels samples to a frame.
struct SampleFormat {
    unsigned width = 2;
    bool isFloat = false;
    unsigned channels = 1;

    unsigned frameBytes() const { return width * channels; }
    bool operator==(const SampleFormat& other) const {
        return width == other.width && isFloat == other.isFloat && channels == other.channels;
    }
};

// The sample at at, as a number: integers at their own scale, floats as
// stored (possibly not finite).
inline double sampleValue(const unsigned char* at, const SampleFormat& format) {
    const std::uint64_t bits = loadUnsigned(at, format.width, ByteOrder::Little);
    if (format.isFloat) {
        if (format.width == 4) {
            float value;
            const std::uint32_t word = static_cast<std::uint32_t>(bits);
            std::memcpy(&value, &word, sizeof value);
            return value;
        }
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    if (format.width == 1)
        return static_cast<double>(bits) - 128.0;
    const std::uint64_t sign = std::uint64_t(1) << (8 * format.width - 1);
    return static_cast<double>(static_cast<std::int64_t>(bits ^ sign) - static_cast<std::int64_t>(sign));
}

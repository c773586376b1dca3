#pragma once

#include <cstdint>

// The order in which a container stores the bytes of its numbers: the RIFF
// family little-endian, AIFF big-endian. Fields are decoded and encoded byte
// by byte, so they mean the same on any host.
enum class ByteOrder { Little, Big };

inline std::uint64_t loadUnsigned(const unsigned char* at, unsigned width, ByteOrder order) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= std::uint64_t(at[i]) << (8 * (order == ByteOrder::Little ? i : width - 1 - i));
    return value;
}

inline void storeUnsigned(unsigned char* at, std::uint64_t value, unsigned width, ByteOrder order) {
    for (unsigned i = 0; i < width; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * (order == ByteOrder::Little ? i : width - 1 - i)));
}

// The little-endian fields of the RIFF family.
inline std::uint16_t loadU16(const unsigned char* at) {
    return static_cast<std::uint16_t>(loadUnsigned(at, 2, ByteOrder::Little));
}

inline std::uint32_t loadU32(const unsigned char* at) {
    return static_cast<std::uint32_t>(loadUnsigned(at, 4, ByteOrder::Little));
}

inline std::uint64_t loadU64(const unsigned char* at) {
    return loadUnsigned(at, 8, ByteOrder::Little);
}

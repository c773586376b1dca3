#pragma once

#include <cstdint>

// The fields of boot sectors, tables and entries: little-endian on the card,
// decoded byte by byte so they mean the same on any host.
inline std::uint64_t loadLittle(const unsigned char* at, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= std::uint64_t(at[i]) << (8 * i);
    return value;
}

inline std::uint16_t le16(const unsigned char* at) {
    return static_cast<std::uint16_t>(loadLittle(at, 2));
}

inline std::uint32_t le32(const unsigned char* at) {
    return static_cast<std::uint32_t>(loadLittle(at, 4));
}

inline std::uint64_t le64(const unsigned char* at) {
    return loadLittle(at, 8);
}

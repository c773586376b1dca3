#pragma once

#include <cstdint>

// Fields of RIFF structures, decoded and encoded byte by byte as
// little-endian, so they mean the same on any host.
inline std::uint16_t loadU16(const unsigned char* at)
{
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline std::uint32_t loadU32(const unsigned char* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16
        | std::uint32_t(at[3]) << 24;
}

inline std::uint64_t loadU64(const unsigned char* at)
{
    return std::uint64_t(loadU32(at)) | std::uint64_t(loadU32(at + 4)) << 32;
}

inline void storeLittleEndian(unsigned char* at, std::uint64_t value, unsigned width)
{
    for (unsigned i = 0; i < width; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

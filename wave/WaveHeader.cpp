#include "WaveHeader.h"

std::uint16_t WaveHeader::u16(std::size_t at) const
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t WaveHeader::u32(std::size_t at) const
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8
        | std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

void WaveHeader::setU32(std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

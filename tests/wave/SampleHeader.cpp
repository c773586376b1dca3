#include "SampleHeader.h"

#include <cstring>

WaveHeader sampleHeader(std::uint32_t riffSize, std::uint32_t dataSize)
{
    WaveHeader header;
    std::memcpy(header.bytes + 0, "RIFF", 4);
    header = patched(header, 4, 4, riffSize);
    std::memcpy(header.bytes + 8, "WAVEfmt ", 8);
    header = patched(header, 16, 4, 16);
    header = patched(header, 20, 2, 1);
    header = patched(header, 22, 2, 2);
    header = patched(header, 24, 4, 44100);
    header = patched(header, 28, 4, 44100 * 4);
    header = patched(header, 32, 2, 4);
    header = patched(header, 34, 2, 16);
    std::memcpy(header.bytes + 36, "data", 4);
    return patched(header, 40, 4, dataSize);
}

WaveHeader patched(WaveHeader header, std::size_t offset, std::size_t width, std::uint32_t value)
{
    for (std::size_t i = 0; i < width; ++i)
        header.bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
    return header;
}

std::vector<unsigned char> bytesOf(const WaveHeader& header)
{
    return std::vector<unsigned char>(header.bytes, header.bytes + WaveHeader::size);
}

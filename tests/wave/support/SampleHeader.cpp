#include "SampleHeader.h"

#include <cstring>

WaveHeader sampleHeader(std::uint32_t riffSize, std::uint32_t dataSize) {
    // 16-bit stereo at 44100 Hz: 176400 bytes a second, 4 bytes a frame.
    static const unsigned char canonical[WaveHeader::size] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f',
        'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0,
        0, 0, 0};
    WaveHeader header;
    std::memcpy(header.bytes, canonical, WaveHeader::size);
    return patched(patched(header, 4, 4, riffSize), 40, 4, dataSize);
}

WaveHeader patched(WaveHeader header, std::size_t offset, std::size_t width, std::uint32_t value) {
    for (std::size_t i = 0; i < width; ++i)
        header.bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
    return header;
}

std::vector<unsigned char> bytesOf(const WaveHeader& header) {
    return std::vector<unsigned char>(header.bytes, header.bytes + WaveHeader::size);
}

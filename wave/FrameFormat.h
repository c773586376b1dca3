#pragma once

#include "LayoutFault.h"

#include <cstdint>

// The fields of a fmt chunk that fix the size of a frame.
struct FrameFormat {
    // As stored: 1 PCM, 3 IEEE float, 6 A-law, 7 mu-law, 0xFFFE extensible.
    std::uint16_t formatTag = 0;
    // The sample format itself: formatTag, or an extensible one's sub-format.
    std::uint16_t sampleFormat = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// The largest part of a fmt chunk body that readFrameFormat looks at.
constexpr std::uint32_t frameFormatBytes = 40;

// Decodes a fmt chunk body of size bytes, of which body holds the first
// min(size, frameFormatBytes), into format. None when every frame has the
// fixed size blockAlign: a known sample format of a width it allows, with
// channels, block align and byte rate consistent. Otherwise the first fault,
// with format filled as far as it was decoded.
LayoutFault readFrameFormat(const unsigned char* body, std::uint32_t size, FrameFormat& format);

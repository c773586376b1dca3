#pragma once

#include <cstdint>

// The fields of a format description that fix the size of a frame, as a
// WAVE fmt chunk holds them; an AIFF COMM chunk fills channels, rate, bits and
// the frame size alone.
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

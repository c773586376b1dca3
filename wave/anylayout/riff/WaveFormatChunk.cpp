#include "WaveFormatChunk.h"

#include "ByteOrder.h"

#include <cstring>

namespace {

constexpr std::uint16_t pcm = 1;
constexpr std::uint16_t ieeeFloat = 3;
constexpr std::uint16_t aLaw = 6;
constexpr std::uint16_t muLaw = 7;
constexpr std::uint16_t extensible = 0xFFFE;

// Every sub-format GUID of a format tag: the tag in the first two bytes, then
// this tail.
const unsigned char guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool widthAllowed(const FrameFormat& format) {
    const unsigned bits = format.bitsPerSample;
    switch (format.sampleFormat) {
    case pcm:
        // Extensible stores the container width, a whole number of bytes.
        return bits >= 1 && bits <= 64 && (format.formatTag != extensible || bits % 8 == 0);
    case ieeeFloat:
        return bits == 32 || bits == 64;
    default:
        return bits == 8;
    }
}

}

LayoutFault readFrameFormat(const unsigned char* body, std::uint32_t size, FrameFormat& format) {
    if (size < 16)
        return LayoutFault::ShortChunk;
    format.formatTag = loadU16(body);
    format.channels = loadU16(body + 2);
    format.sampleRate = loadU32(body + 4);
    format.byteRate = loadU32(body + 8);
    format.blockAlign = loadU16(body + 12);
    format.bitsPerSample = loadU16(body + 14);

    format.sampleFormat = format.formatTag;
    if (format.formatTag == extensible) {
        if (size < frameFormatBytes)
            return LayoutFault::ShortChunk;
        format.sampleFormat = loadU16(body + 24);
        if (std::memcmp(body + 26, guidTail, sizeof guidTail) != 0
            || (format.sampleFormat != pcm && format.sampleFormat != ieeeFloat && format.sampleFormat != aLaw
                && format.sampleFormat != muLaw))
            return LayoutFault::SubFormat;
    } else if (format.formatTag != pcm && format.formatTag != ieeeFloat && format.formatTag != aLaw
        && format.formatTag != muLaw) {
        return LayoutFault::FormatTag;
    }

    if (format.channels == 0)
        return LayoutFault::NoChannels;
    if (format.sampleRate == 0)
        return LayoutFault::NoSampleRate;
    if (!widthAllowed(format))
        return LayoutFault::SampleWidth;
    if (format.blockAlign != format.channels * ((format.bitsPerSample + 7u) / 8))
        return LayoutFault::BlockAlign;
    if (format.byteRate != std::uint64_t(format.sampleRate) * format.blockAlign)
        return LayoutFault::ByteRate;
    return LayoutFault::None;
}

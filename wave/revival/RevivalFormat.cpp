#include "RevivalFormat.h"

#include "ByteOrder.h"

namespace {

constexpr unsigned mostChannels = 64;
constexpr std::uint16_t pcm = 1;
constexpr std::uint16_t ieeeFloat = 3;

void put(std::vector<unsigned char>& body, std::uint64_t value, unsigned width) {
    body.resize(body.size() + width);
    storeUnsigned(body.data() + body.size() - width, value, width, ByteOrder::Little);
}

}

bool statedFormat(std::uint32_t rate, unsigned bits, unsigned channels, bool isFloat, RevivalFormat& format) {
    const bool widthKnown = isFloat ? bits == 32 || bits == 64 : bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!widthKnown || rate == 0 || channels == 0 || channels > mostChannels)
        return false;
    format = RevivalFormat();
    format.samples = {bits / 8, isFloat, channels};
    format.needsFact = isFloat;
    const unsigned align = format.samples.frameBytes();
    put(format.formatBody, isFloat ? 3 : 1, 2);
    put(format.formatBody, channels, 2);
    put(format.formatBody, rate, 4);
    put(format.formatBody, std::uint64_t(rate) * align, 4);
    put(format.formatBody, align, 2);
    put(format.formatBody, bits, 2);
    // Formats other than PCM carry the length of their extension, here none.
    if (isFloat)
        put(format.formatBody, 0, 2);
    return std::uint64_t(rate) * align <= 0xFFFFFFFFu;
}

ChunkFormatFault formatFromChunk(const FrameFormat& frame, const unsigned char* body, std::uint32_t size,
    RevivalFormat& format) {
    if (frame.sampleFormat != pcm && frame.sampleFormat != ieeeFloat)
        return ChunkFormatFault::Compressed;
    const unsigned width = frame.blockAlign / frame.channels;
    const bool isFloat = frame.sampleFormat == ieeeFloat;
    if ((isFloat ? width != 4 && width != 8 : width > 4) || size > longestFormatBody)
        return ChunkFormatFault::SampleWidth;
    format = RevivalFormat();
    format.samples = {width, isFloat, frame.channels};
    format.needsFact = isFloat;
    format.formatBody.assign(body, body + size);
    return ChunkFormatFault::None;
}

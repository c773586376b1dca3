#include "RevivalFormat.h"

#include "ByteOrder.h"

namespace {

constexpr unsigned mostChannels = 64;

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

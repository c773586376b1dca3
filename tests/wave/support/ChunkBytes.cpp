#include "ChunkBytes.h"

#include <cstring>

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes le(std::uint64_t value, unsigned width) {
    Bytes bytes(width);
    for (unsigned i = 0; i < width; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return bytes;
}

Bytes text(const char* characters) {
    return Bytes(characters, characters + std::strlen(characters));
}

Bytes chunk(const char* tag, std::uint64_t size, const Bytes& body) {
    return text(tag) + le(size, 4) + body;
}

Bytes fmtChunk(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, std::uint16_t sub) {
    const unsigned align = channels * ((bits + 7u) / 8);
    Bytes body = le(tag, 2) + le(channels, 2) + le(8000, 4) + le(8000 * align, 4) + le(align, 2) + le(bits, 2);
    if (tag == 0xFFFE)
        body = body + le(22, 2) + le(bits, 2) + le(0, 4) + le(sub, 2)
            + Bytes{0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    return chunk("fmt ", body.size(), body);
}

Bytes waveHead(const char* form, std::uint64_t riffSize, const Bytes& chunks) {
    return text(form) + le(riffSize, 4) + text("WAVE") + chunks;
}

Bytes be(std::uint64_t value, unsigned width) {
    Bytes bytes = le(value, width);
    return Bytes(bytes.rbegin(), bytes.rend());
}

Bytes bigChunk(const char* tag, std::uint64_t size, const Bytes& body) {
    return text(tag) + be(size, 4) + body;
}

Bytes commChunk(std::uint16_t channels, std::uint32_t frames, std::uint16_t bits, const char* compression) {
    // 8000 as an 80-bit extended number: 2^12 times 1.953125.
    const Bytes rate = be(0x400B, 2) + be(0xFA00000000000000u, 8);
    Bytes body = be(channels, 2) + be(frames, 4) + be(bits, 2) + rate;
    if (compression != nullptr)
        body = body + text(compression) + Bytes{0, 0};
    return bigChunk("COMM", body.size(), body);
}

Bytes formHead(const char* type, std::uint64_t formSize, const Bytes& chunks) {
    return text("FORM") + be(formSize, 4) + text(type) + chunks;
}

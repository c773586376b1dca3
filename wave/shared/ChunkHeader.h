#pragma once

#include "ByteOrder.h"

#include <cstdint>

// A four-character chunk identifier as the word its bytes form read
// little-endian, in every container alike: identifiers are bytes, not
// numbers, so this one value is compared with the bytes of any file.
constexpr std::uint32_t fourCC(const char (&text)[5]) {
    return std::uint32_t(static_cast<unsigned char>(text[0])) | std::uint32_t(static_cast<unsigned char>(text[1])) << 8
        | std::uint32_t(static_cast<unsigned char>(text[2])) << 16
        | std::uint32_t(static_cast<unsigned char>(text[3])) << 24;
}

// A chunk body's length with the pad byte that follows an odd one.
constexpr std::uint64_t padded(std::uint64_t length) {
    return length + (length & 1);
}

// The eight bytes that open a chunk: its identifier, then the size of its
// body in the container's byte order. A body of odd size is followed by a
// pad byte.
struct ChunkHeader {
    static constexpr std::uint32_t bytes = 8;

    std::uint32_t id = 0;
    std::uint32_t size = 0;

    // Where a chunk whose header stands at offset at ends, its pad byte
    // included.
    std::uint64_t endFrom(std::uint64_t at) const { return at + bytes + padded(size); }
};

// The most chunks one walk looks at before the audio, and again after it, so
// the cost stays bounded whatever the file holds.
constexpr int maxChunks = 1000;

// Four printable ASCII characters, the first not a space.
bool isChunkId(const unsigned char* at);

ChunkHeader decodeChunkHeader(const unsigned char* at, ByteOrder order);

#include "ChunkHeader.h"

#include <algorithm>

bool isChunkId(const unsigned char* at) {
    return at[0] != ' ' && std::all_of(at, at + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
}

ChunkHeader decodeChunkHeader(const unsigned char* at, ByteOrder order) {
    ChunkHeader header;
    header.id = loadU32(at);
    header.size = static_cast<std::uint32_t>(loadUnsigned(at + 4, 4, order));
    return header;
}

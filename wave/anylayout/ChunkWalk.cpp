#include "ChunkWalk.h"

bool readChunkBeforeAudio(RandomFileAccess& file, std::uint64_t fileSize, std::uint64_t at, std::uint64_t count,
    ByteOrder order, ChunkHeader& chunk, LayoutFindings& findings) {
    if (count == maxChunks)
        return refuse(findings, LayoutFault::TooManyChunks, at);
    if (at == fileSize)
        return refuse(findings, LayoutFault::NoDataChunk);
    if (fileSize - at < ChunkHeader::bytes)
        return refuse(findings, LayoutFault::CutChunkHeader, at);
    unsigned char bytes[ChunkHeader::bytes];
    if (!readWhole(file, at, bytes, ChunkHeader::bytes))
        return false;
    if (!isChunkId(bytes))
        return refuse(findings, LayoutFault::DamagedChunk, at);
    chunk = decodeChunkHeader(bytes, order);
    return true;
}

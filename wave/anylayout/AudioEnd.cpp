#include "AudioEnd.h"

#include "ChunkHeader.h"
#include "Id3Tag.h"

#include <algorithm>

namespace {

bool broken(AudioEnd& end, LayoutFault why, std::uint64_t at, std::uint32_t tag) {
    end.trail = AudioEnd::Trail::Broken;
    end.fault = why;
    end.at = at;
    end.tag = tag;
    return true;
}

// Walks from at, where stored audio ends, over whole chunks and ID3 tags to
// the end of the file. Reads only where their headers stand.
bool walkTrail(RandomFileAccess& file, std::uint64_t fileSize, const ChunkRules& rules, std::uint64_t at,
    AudioEnd& end) {
    end.trail = AudioEnd::Trail::Chunks;
    end.contentEnd = fileSize;
    bool inTags = false;
    for (int count = 0; at < fileSize; ++count) {
        unsigned char header[id3ProbeBytes];
        const std::uint32_t got = static_cast<std::uint32_t>(std::min<std::uint64_t>(id3ProbeBytes, fileSize - at));
        if (!readWhole(file, at, header, got))
            return false;
        const bool isChunk = got >= 4 && isChunkId(header);
        if (count == maxChunks)
            return broken(end, LayoutFault::TooManyChunks, at, isChunk ? loadU32(header) : 0);
        if (const std::uint64_t tag = id3TagAt(header, got, at, fileSize)) {
            if (!inTags)
                end.contentEnd = at;
            inTags = true;
            at += tag;
            continue;
        }
        inTags = false;
        end.contentEnd = fileSize;
        if (!isChunk) {
            if (count == 0) {
                end.trail = AudioEnd::Trail::NotAChunk;
                return true;
            }
            return broken(end, LayoutFault::DamagedAfterData, at, 0);
        }
        if (got < ChunkHeader::bytes)
            return broken(end, LayoutFault::DamagedAfterData, at, loadU32(header));
        const ChunkHeader chunk = decodeChunkHeader(header, rules.order);
        if (rules.allOnesIsTableSized && chunk.size == 0xFFFFFFFFu)
            return broken(end, LayoutFault::TableSized, at, chunk.id);
        if (chunk.size > fileSize - at - ChunkHeader::bytes)
            return broken(end, LayoutFault::DamagedAfterData, at, chunk.id);
        // A last chunk may end without its pad byte.
        at = chunk.endFrom(at);
    }
    return true;
}

// Where the ID3 tags that close the file begin, for audio running from from
// to the end: an ID3v1 tag in the last 128 bytes, and before it an ID3v2 tag
// found by its footer. Reads the 3 and 10 bytes where those would stand.
bool tagsClosingTheFile(RandomFileAccess& file, std::uint64_t from, std::uint64_t fileSize, std::uint64_t& start) {
    start = fileSize;
    unsigned char bytes[id3ProbeBytes];
    if (start - from >= 128) {
        if (!readWhole(file, start - 128, bytes, 3))
            return false;
        if (id3TagAt(bytes, 3, start - 128, fileSize) != 0)
            start -= 128;
    }
    if (start - from >= id3ProbeBytes) {
        if (!readWhole(file, start - id3ProbeBytes, bytes, id3ProbeBytes))
            return false;
        const std::uint64_t length = id3TagEndingWith(bytes);
        if (length != 0 && length <= start - from)
            start -= length;
    }
    return true;
}

}

bool judgeAudioEnd(RandomFileAccess& file, std::uint64_t fileSize, std::uint64_t payloadAt, const std::uint64_t* sizes,
    std::size_t count, const ChunkRules& rules, AudioEnd& end) {
    const std::uint64_t toEnd = fileSize - payloadAt;
    end = AudioEnd();
    end.stored = sizes[0];
    bool judged = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t size = sizes[i];
        if (size == toEnd) {
            end = AudioEnd();
            end.stored = size;
            end.contentEnd = fileSize;
            return true;
        }
        if (size > toEnd) {
            judged = true;
            continue;
        }
        const std::uint64_t storedEnd = payloadAt + size;
        for (const std::uint64_t at : {payloadAt + padded(size), storedEnd}) {
            AudioEnd walk;
            if (!walkTrail(file, fileSize, rules, at, walk))
                return false;
            if (walk.trail == AudioEnd::Trail::Chunks) {
                end = walk;
                end.stored = size;
                return true;
            }
            if (!judged) {
                walk.stored = size;
                end = walk;
                judged = true;
            }
            if ((size & 1) == 0)
                break;
        }
    }
    // The audio runs to the end, short of the tags that close the file.
    return tagsClosingTheFile(file, payloadAt, fileSize, end.contentEnd);
}

LayoutFault audioSizeFor(const AudioEnd& end, std::uint64_t payloadAt, bool claimsBroken, std::uint64_t& size) {
    size = end.contentEnd - payloadAt;
    switch (end.trail) {
    case AudioEnd::Trail::PastTheEnd:
    case AudioEnd::Trail::NotAChunk:
        return LayoutFault::None;
    case AudioEnd::Trail::Chunks:
        size = end.stored;
        return LayoutFault::None;
    case AudioEnd::Trail::Broken:
        break;
    }
    return claimsBroken ? end.fault : LayoutFault::None;
}

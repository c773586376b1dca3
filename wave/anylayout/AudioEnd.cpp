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

// The bytes at offset at where a chunk header or a tag would stand: up to
// id3ProbeBytes, fewer at the end of the file.
struct Probe {
    unsigned char bytes[id3ProbeBytes] = {};
    std::uint32_t got = 0;

    bool read(RandomFileAccess& file, std::uint64_t fileSize, std::uint64_t at) {
        got = static_cast<std::uint32_t>(std::min<std::uint64_t>(id3ProbeBytes, fileSize - at));
        return readWhole(file, at, bytes, got);
    }
    bool isChunk() const { return got >= 4 && isChunkId(bytes); }
};

// Why no whole chunk that a walk can follow begins with probe at offset at;
// None when one does, and chunk holds its header.
LayoutFault chunkFault(const Probe& probe, std::uint64_t at, std::uint64_t fileSize, const ChunkRules& rules,
    ChunkHeader& chunk) {
    if (!probe.isChunk() || probe.got < ChunkHeader::bytes)
        return LayoutFault::DamagedAfterData;
    chunk = decodeChunkHeader(probe.bytes, rules.order);
    if (rules.allOnesIsTableSized && chunk.size == 0xFFFFFFFFu)
        return LayoutFault::TableSized;
    return chunk.size > fileSize - at - ChunkHeader::bytes ? LayoutFault::DamagedAfterData : LayoutFault::None;
}

// A tag or a whole chunk begins with probe at offset at.
bool leadsOn(const Probe& probe, std::uint64_t at, std::uint64_t fileSize, const ChunkRules& rules) {
    ChunkHeader chunk;
    return id3TagAt(probe.bytes, probe.got, at, fileSize) != 0
        || chunkFault(probe, at, fileSize, rules, chunk) == LayoutFault::None;
}

// Reads the probe at next, where a walk goes on, unless that is the end of
// the file. After an odd chunk (afterOdd) with nothing beginning there, the
// walk goes on right after the chunk's body instead where something begins
// there: writers that leave pad bytes out lay the next chunk down so.
bool stepTo(RandomFileAccess& file, std::uint64_t fileSize, const ChunkRules& rules, bool afterOdd, std::uint64_t& next,
    Probe& probe) {
    if (next >= fileSize)
        return true;
    if (!probe.read(file, fileSize, next))
        return false;
    if (!afterOdd || leadsOn(probe, next, fileSize, rules))
        return true;
    Probe unpadded;
    if (!unpadded.read(file, fileSize, next - 1))
        return false;
    if (leadsOn(unpadded, next - 1, fileSize, rules)) {
        probe = unpadded;
        --next;
    }
    return true;
}

// Walks from at, where stored audio ends, over whole chunks and ID3 tags to
// the end of the file. Reads only where their headers stand.
bool walkTrail(RandomFileAccess& file, std::uint64_t fileSize, const ChunkRules& rules, std::uint64_t at,
    AudioEnd& end) {
    end.trail = AudioEnd::Trail::Chunks;
    end.contentEnd = fileSize;
    bool inTags = false;
    Probe probe;
    if (!stepTo(file, fileSize, rules, false, at, probe))
        return false;
    for (int count = 0; at < fileSize; ++count) {
        const std::uint32_t id = probe.isChunk() ? loadU32(probe.bytes) : 0;
        if (count == maxChunks)
            return broken(end, LayoutFault::TooManyChunks, at, id);
        std::uint64_t next = at + id3TagAt(probe.bytes, probe.got, at, fileSize);
        bool odd = false;
        if (next != at) {
            if (!inTags)
                end.contentEnd = at;
            inTags = true;
        } else {
            inTags = false;
            end.contentEnd = fileSize;
            if (count == 0 && !probe.isChunk()) {
                end.trail = AudioEnd::Trail::NotAChunk;
                return true;
            }
            ChunkHeader chunk;
            const LayoutFault fault = chunkFault(probe, at, fileSize, rules, chunk);
            if (fault != LayoutFault::None)
                return broken(end, fault, at, id);
            // A last chunk may end without its pad byte.
            next = chunk.endFrom(at);
            odd = (chunk.size & 1) != 0;
        }
        if (!stepTo(file, fileSize, rules, odd, next, probe))
            return false;
        at = next;
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

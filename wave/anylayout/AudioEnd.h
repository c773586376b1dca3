#pragma once

#include "ByteOrder.h"
#include "LayoutFault.h"
#include "RandomFileAccess.h"

#include <cstddef>
#include <cstdint>

// How a container's chunks are read after its audio.
struct ChunkRules {
    ByteOrder order = ByteOrder::Little;
    // A chunk size of all ones is one only a size table holds (RF64), which
    // no walk after the audio can follow.
    bool allOnesIsTableSized = false;
};

// Where the audio of a file ends, as judged from what follows the audio size
// stored in its header.
struct AudioEnd {
    enum class Trail {
        // The stored audio reaches the end of the file, or runs past it.
        PastTheEnd,
        // Whole chunks and ID3 tags ending exactly at the end of the file,
        // after the audio with its pad byte or, when that finds none,
        // without; so too after each odd chunk, where a tag or a whole chunk
        // begins only without it.
        Chunks,
        // Bytes that begin neither a chunk nor a tag.
        NotAChunk,
        // A chunk that is cut, or a damaged chunk after whole ones; fault
        // says which and at and tag where.
        Broken
    };
    Trail trail = Trail::PastTheEnd;
    // The stored audio size the trail was judged for.
    std::uint64_t stored = 0;
    LayoutFault fault = LayoutFault::None;
    std::uint64_t at = 0;
    std::uint32_t tag = 0;
    // Where the chunks end: the end of the file less the ID3 tags that close
    // it. After whole chunks those are the tags the walk met last; where the
    // audio would run to the end, an ID3v1 tag in the last 128 bytes and an
    // ID3v2 tag with a footer before it.
    std::uint64_t contentEnd = 0;
};

// Judges what follows audio that begins at payloadAt in a file of fileSize
// bytes. Each of the count stored sizes is tried, the one readers go by
// first, at its end with the pad byte and, for an odd size, without (writers
// that leave the pad byte out exist): the first whose end is followed by
// whole chunks and tags alone, or is the end of the file, is the stored size.
// Failing that, the first one's judgement stands. Reads only where a chunk
// header or a tag would stand. False when a read failed.
bool judgeAudioEnd(RandomFileAccess& file, std::uint64_t fileSize, std::uint64_t payloadAt, const std::uint64_t* sizes,
    std::size_t count, const ChunkRules& rules, AudioEnd& end);

// The audio size the file calls for: the stored one where the audio is whole,
// else all bytes to the end short of the tags that close the file. A broken
// chunk that the container's outer size claims (claimsBroken) was written
// after whole audio: that fault is returned. One it does not claim is more
// likely audio the writer never accounted for.
LayoutFault audioSizeFor(const AudioEnd& end, std::uint64_t payloadAt, bool claimsBroken, std::uint64_t& size);

#pragma once

#include "FrameFormat.h"
#include "LayoutFindings.h"
#include "RandomFileAccess.h"

#include <cstdint>

// A 32-bit size field holding this defers to ds64 in RF64, and stands for
// "unknown" where streaming writers could not go back to fill it in.
constexpr std::uint32_t noSize = 0xFFFFFFFFu;

// Where a RIFF/WAVE or RF64 file keeps the fields its sizes live in, and what
// they hold, as one walk over its chunks found them.
struct WaveLayout {
    // The identifier at 0 is RF64 or BW64: the sizes live in the ds64 chunk,
    // and a 32-bit field of 0xFFFFFFFF defers to it.
    bool wide = false;
    std::uint32_t riffSize = 0;
    // The chunk at 12: ds64 in a wide file; in a RIFF file a JUNK or ds64
    // chunk with room for the ds64 fields, so the file can become RF64.
    std::uint32_t firstTag = 0;
    bool ds64Room = false;
    std::uint64_t ds64Riff = 0;
    std::uint64_t ds64Data = 0;
    std::uint64_t ds64Samples = 0;
    std::uint32_t ds64Table = 0;
    FrameFormat format;
    bool hasFact = false;
    std::uint64_t factAt = 0;      // offset of the frame count
    std::uint32_t factFrames = 0;
    std::uint64_t dataAt = 0;      // offset of the data chunk's header
    std::uint32_t dataSize = 0;    // its 32-bit size field

    // The data size as stored: in a wide file the one in ds64, which readers
    // go by whatever the 32-bit field holds, unless only that field's value
    // ends where whole chunks follow. In a RIFF file a data size of
    // 0xFFFFFFFF sizes no whole chunk (no RIFF size could hold it); writers
    // streaming into pipes leave it for "unknown", so it counts as running
    // past the end.
    std::uint64_t stored = 0;

    // What lies after the stored data.
    enum class Trail {
        // The stored data reaches the end of the file, or runs past it.
        PastTheEnd,
        // Whole chunks and ID3 tags ending exactly at the end of the file,
        // after the data with its pad byte or, when that finds none, without.
        Chunks,
        // Bytes that begin neither a chunk nor a tag.
        NotAChunk,
        // A chunk that is cut, or a damaged chunk after whole ones; trailFault
        // says which and trailAt and trailTag where.
        Broken
    };
    Trail trail = Trail::PastTheEnd;
    LayoutFault trailFault = LayoutFault::None;
    std::uint64_t trailAt = 0;
    std::uint32_t trailTag = 0;
    // Where the chunks end: the end of the file less the ID3 tags that close
    // it. After whole chunks those are the tags the walk met last; where the
    // audio would run to the end, an ID3v1 tag in the last 128 bytes and an
    // ID3v2 tag with a footer before it.
    std::uint64_t contentEnd = 0;

    std::uint64_t payloadAt() const { return dataAt + 8; }
    // The RIFF size as stored, through ds64 in a wide file.
    std::uint64_t storedRiffSize() const { return wide ? ds64Riff : riffSize; }
};

// The most chunks one walk looks at before the data, and again after it, so
// the cost stays bounded whatever the file holds.
constexpr int maxChunks = 1000;

// Walks the chunks of a file of fileSize bytes from offset 12, reading only
// chunk headers and the bodies of ds64, fmt and fact. After the data it reads
// only where a chunk header or an ID3 tag would stand: a few bytes at the end
// of the stored data (with and without its pad byte), then the headers of
// what follows; where the data would run to the end of the file, the few
// bytes where a closing ID3 tag would begin or end. No judgement depends on
// more of the audio than that. Returns false when a read failed or came up
// short; otherwise findings.fault is None and layout complete, or the fault
// with where it lies.
bool readWaveLayout(RandomFileAccess& file, std::uint64_t fileSize, WaveLayout& layout,
    LayoutFindings& findings);

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

    // What lies between the end of the stored data (with its pad byte) and
    // the end of the file, when the stored data ends inside the file.
    enum class Trail {
        // Nothing, or whole chunks ending exactly at the end.
        Chunks,
        // Bytes that do not begin with a chunk identifier.
        NotAChunk,
        // A chunk that is cut, or a damaged chunk after whole ones; trailFault
        // says which and trailAt and trailTag where.
        Broken
    };
    Trail trail = Trail::Chunks;
    LayoutFault trailFault = LayoutFault::None;
    std::uint64_t trailAt = 0;
    std::uint32_t trailTag = 0;

    std::uint64_t payloadAt() const { return dataAt + 8; }
    // The sizes as stored, each 32-bit field read through ds64 where it defers
    // to it. In a RIFF file a data size of 0xFFFFFFFF sizes no whole chunk
    // (no RIFF size could hold it); writers streaming into pipes leave it for
    // "unknown", so it counts as running past the end.
    std::uint64_t storedRiffSize() const { return wide && riffSize == noSize ? ds64Riff : riffSize; }
    std::uint64_t storedDataSize() const
    {
        if (dataSize != noSize)
            return dataSize;
        return wide ? ds64Data : UINT64_MAX;
    }
};

// The most chunks one walk looks at before the data, and again after it, so
// the cost stays bounded whatever the file holds.
constexpr int maxChunks = 1000;

// Walks the chunks of a file of fileSize bytes from offset 12, reading only
// chunk headers and the bodies of ds64, fmt and fact. Returns false when a
// read failed or came up short; otherwise findings.fault is None and layout
// complete, or the fault with where it lies.
bool readWaveLayout(RandomFileAccess& file, std::uint64_t fileSize, WaveLayout& layout,
    LayoutFindings& findings);

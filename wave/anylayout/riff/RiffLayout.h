#pragma once

#include "AudioEnd.h"
#include "FrameFormat.h"
#include "LayoutFindings.h"
#include "RandomFileAccess.h"

#include <cstdint>

// In the 64-bit forms (RF64, BW64) a 32-bit size field holding this defers to
// the ds64 chunk.
constexpr std::uint32_t deferToDs64 = 0xFFFFFFFFu;
// In a RIFF file, a data size that writers streaming into pipes leave for
// "unknown": it sizes no whole chunk, since no RIFF size could hold it.
constexpr std::uint32_t unknownDataSize = 0xFFFFFFFFu;

// Where a RIFF/WAVE or RF64 file keeps the fields its sizes live in, and what
// they hold, as one walk over its chunks found them.
struct RiffLayout {
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
    std::uint64_t formatAt = 0; // offset of the fmt body
    std::uint32_t formatSize = 0;
    bool hasFact = false;
    std::uint64_t factAt = 0; // offset of the frame count
    std::uint32_t factFrames = 0;
    std::uint64_t dataAt = 0; // offset of the data chunk's header
    std::uint32_t dataSize = 0; // its 32-bit size field
    // What follows the stored data. The data size counted as stored is, in a
    // wide file, the one in ds64, which readers go by whatever the 32-bit
    // field holds, unless only that field's value ends where whole chunks
    // follow.
    AudioEnd audioEnd;

    std::uint64_t payloadAt() const { return dataAt + 8; }
    // The RIFF size as stored, through ds64 in a wide file.
    std::uint64_t storedRiffSize() const { return wide ? ds64Riff : riffSize; }
};

// Walks the chunks of a RIFF/WAVE, RF64 or BW64 file of fileSize bytes, whose
// first 12 bytes are form, from offset 12, reading only chunk headers and the
// bodies of ds64, fmt and fact; then judges what follows the data (see
// judgeAudioEnd). No judgement depends on more of the audio than the few
// bytes where a chunk header or a tag would stand. Returns false when a read
// failed or came up short; otherwise findings.fault is None and layout
// complete, or the fault with where it lies.
bool readRiffLayout(RandomFileAccess& file, const unsigned char* form, std::uint64_t fileSize, RiffLayout& layout,
    LayoutFindings& findings);

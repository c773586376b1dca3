#pragma once

#include "FrameFormat.h"
#include "SampleFormat.h"

#include <cstdint>
#include <vector>

// What a recording without its header is taken to hold, and the format chunk
// that says so: a donor's own, or one made for a stated format.
struct RevivalFormat {
    SampleFormat samples;
    // The fmt chunk body to write, as the donor has it or as made here.
    std::vector<unsigned char> formatBody;
    // A format other than integer PCM, whose header carries a fact chunk.
    bool needsFact = false;
    // Where the donor's audio begins: the header length of its recorder; 0
    // for a stated format.
    std::uint64_t donorOffset = 0;
};

// The format of rate frames a second of bits-bit little-endian PCM (8, 16, 24
// or 32) or IEEE float (32 or 64), channels to a frame: a PCM (1) or float (3)
// fmt chunk. False for a combination no such chunk describes.
bool statedFormat(std::uint32_t rate, unsigned bits, unsigned channels, bool isFloat, RevivalFormat& format);

// Large enough for any extension a PCM or float fmt chunk carries.
constexpr std::uint32_t longestFormatBody = 1024;

// Why a fmt chunk describes no recording the revival reads.
enum class ChunkFormatFault {
    None,
    // A-law, mu-law or any format but integer PCM and IEEE float.
    Compressed,
    // Samples of a width the revival does not read, or a body longer than
    // longestFormatBody.
    SampleWidth
};

// The format of recordings a fmt chunk describes, frame as decoded from its
// body of size bytes at body: the body kept as it is (extensible with its
// sub-format and channel mask included). Leaves format as it was on a fault.
ChunkFormatFault formatFromChunk(const FrameFormat& frame, const unsigned char* body, std::uint32_t size,
    RevivalFormat& format);

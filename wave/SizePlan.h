#pragma once

#include "LayoutFault.h"
#include "WaveLayout.h"

#include <cstddef>
#include <cstdint>

// The writes that make a file's sizes describe it, in the order they must
// reach the disk.
//
// Each write is on the disk before the next begins, so a crash leaves the file
// as after some prefix of them. The order makes every prefix a file that
// readers open and that this rule repairs to the same end:
// - The data size comes first: once it reaches the end of the file, what
//   follows the stored data no longer matters, so the RIFF size written after
//   it can no longer make the rule take trailing audio for a chunk. In the
//   64-bit forms the ds64 value comes before the 32-bit field that defers to
//   it.
// - The frame counts and the RIFF size follow; neither changes the judgement.
// - Turning RIFF into RF64, every ds64 field and every 32-bit size field is
//   written while the chunk is still JUNK (which readers skip and this rule
//   takes as room for ds64 again), then the ds64 identifier (a RIFF file with
//   an unknown chunk), and last RF64, which makes the ds64 contents count.
struct SizePlan {
    struct Write {
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        unsigned char bytes[8] = {};
    };

    static constexpr std::size_t capacity = 10;
    Write writes[capacity];
    std::size_t count = 0;
    // The data size the plan gives the file, and its whole frames.
    std::uint64_t dataSize = 0;
    std::uint64_t frames = 0;
};

// Plans the writes for a file of fileSize bytes whose layout readWaveLayout
// found without a fault. An empty plan means the file is already sound.
// Returns the fault when the rule cannot explain the file; the plan is then
// empty.
LayoutFault planSizes(const WaveLayout& layout, std::uint64_t fileSize, SizePlan& plan);

#pragma once

#include "FrameFormat.h"
#include "LayoutFault.h"

#include <cstdint>

// What the any-layout rule learned of a file, for callers that explain an
// outcome: the fault, and where it is and what it concerns as far as the
// fault has those (zero otherwise).
struct LayoutFindings {
    LayoutFault fault = LayoutFault::None;
    // The identifier and offset of the chunk the fault concerns, and its
    // stored size.
    std::uint32_t tag = 0;
    std::uint64_t offset = 0;
    std::uint32_t chunkSize = 0;
    FrameFormat format;
    std::uint64_t fileSize = 0;
};

#pragma once

#include "FrameFormat.h"
#include "LayoutFault.h"
#include "SizePlan.h"

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
    // The writes the repair made or, in an inspection, would make.
    SizePlan plan;
};

// Records a fault in findings. Returns true: the reads so far succeeded, so
// the walk that found the fault did too.
inline bool refuse(LayoutFindings& findings, LayoutFault why, std::uint64_t at = 0, std::uint32_t tag = 0,
    std::uint32_t size = 0) {
    findings.fault = why;
    findings.offset = at;
    findings.tag = tag;
    findings.chunkSize = size;
    return true;
}

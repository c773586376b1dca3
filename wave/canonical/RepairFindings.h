#pragma once

#include "HeaderFault.h"
#include "WaveHeader.h"

#include <cstdint>

// What a repair learned of the file and why it judged it so, for callers that
// explain an outcome. The header and size stay zero when the step that reads
// them failed.
struct RepairFindings {
    WaveHeader header;
    std::uint64_t fileSize = 0;
    // The first header test the header failed, None when it passed them all.
    HeaderFault fault = HeaderFault::None;
    // A header of the supported kind in a file whose sizes do not fit its
    // 32-bit fields.
    bool tooLarge = false;
};

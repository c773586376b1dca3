#pragma once

#include "WaveHeader.h"

#include <cstdint>

// What a repair learned of the file before it judged it, for callers that
// explain an outcome. Both stay zero when the step that reads them failed.
struct RepairFindings {
    WaveHeader header;
    std::uint64_t fileSize = 0;
};

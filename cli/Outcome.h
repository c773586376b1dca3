#pragma once

#include "RepairResult.h"

#include <cstdint>
#include <string>
#include <vector>

// One field a repair wrote or, in a dry run, would write: where, and the bytes
// it held and holds afterwards, so that the repair can be checked and undone.
// Held in place, as a size field is at most 8 bytes long: a run holds a
// second's outcomes until their sync.
struct FieldChange {
    std::uint64_t offset = 0;
    unsigned count = 0;
    unsigned char before[8] = {};
    unsigned char after[8] = {};
};

// What sonorix-repair reports of one file.
struct Outcome {
    std::string path;
    RepairResult result = FileError;
    bool dryRun = false;
    // Why, for the two failures; for a revived recording, where its header
    // went and where its audio begins.
    std::string why;
    std::vector<FieldChange> changes;
};

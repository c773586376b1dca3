#pragma once

#include "Catalog.h"
#include "RepairResult.h"

#include <cstddef>
#include <string>

// The outcomes of a run counted, for the line that sums them up and for the
// exit status.
class RunSummary {
public:
    explicit RunSummary(bool dryRun) : dryRun(dryRun) {}

    void count(RepairResult result) { ++counts[result]; }
    std::size_t files() const;
    // "N files: 3 repaired, 1 already sound, ...": each outcome that occurred,
    // in a fixed order.
    std::string line(Language language) const;
    // 0 all fine, 1 some unsupported format, 2 some file error.
    int exitStatus() const;

private:
    bool dryRun;
    std::size_t counts[4] = {};
};

#pragma once

#include "ClusterBitmap.h"
#include "ClusterMap.h"
#include "FoundRecording.h"
#include "ScanBudget.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Clusters of a recording's chain: first to first + count - 1, which are its
// clusters index to index + count - 1.
struct ClaimedRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    std::size_t recording = 0;
    std::uint64_t index = 0;
};

// A recording followed by its sound from its first cluster, which the pass
// looks at first.
struct PendingStart {
    std::uint32_t cluster = 0;
    std::size_t recording = 0;
};

// A live recording that looks fine but whose sound may go on past its entry,
// whose size ends at a cluster's end: the next cluster no chain claims, where
// it lies close after the recording's last, may continue it.
struct DormantEntry {
    std::uint32_t lastCluster = 0;
    std::size_t recording = 0;
};

// One volume as the scan's plan leaves it to the pass: the clusters live files
// own (never read), those the recordings' chains claim, and the recordings
// found so far. The sets and the recordings the plan found take their memory
// from the map's budget, given back with the scan.
struct VolumeScan {
    explicit VolumeScan(ClusterMap& map)
        : map(map), owned(map.mappedEnd(), map.budget()), claimed(map.mappedEnd(), map.budget()) {}
    ~VolumeScan() { map.budget().give(charged); }
    VolumeScan(const VolumeScan&) = delete;
    VolumeScan& operator=(const VolumeScan&) = delete;

    ClusterMap& map;
    unsigned number = 0;
    ClusterBitmap owned;
    ClusterBitmap claimed;
    std::vector<std::unique_ptr<FoundRecording>> found;
    // In cluster order.
    std::vector<ClaimedRun> claims;
    std::vector<PendingStart> pending;
    std::vector<DormantEntry> dormant;
    // What the plan took from the budget for the recordings it found.
    std::uint64_t charged = 0;
};

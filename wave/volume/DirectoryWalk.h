#pragma once

#include "VolumeEntry.h"

#include <cstdint>
#include <functional>

class ClusterMap;

struct WalkFindings {
    std::uint32_t directories = 0;
    // Entries passed over: names, clusters or sizes that no real entry has,
    // long-name sequences cut off, exFAT sets whose checksum fails.
    std::uint32_t damagedEntries = 0;
    // Folders not read again: their first cluster was read already (a loop,
    // or two entries for one folder).
    std::uint32_t revisited = 0;
    // Folders deeper than maxDepth were not read.
    bool tooDeep = false;
    // The walk stopped after reading as many directory bytes as the volume
    // holds.
    bool budgetSpent = false;
};

constexpr unsigned maxDepth = 64;

// Reads every directory from the root, each once, and hands every entry to
// visit, live and deleted, files and folders, with its path; deleted folders
// are not read. A directory is read at most to the largest size it may have
// (FAT: 65536 entries; exFAT: its data length, and at most 256 MiB).
WalkFindings walkDirectories(ClusterMap& map, const std::function<void(const VolumeEntry&)>& visit);

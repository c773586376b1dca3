#pragma once

#include "VolumeEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class ClusterMap;

struct WalkFindings {
    std::uint32_t directories = 0;
    // Entries passed over: names, clusters or sizes that no real entry has,
    // long-name sequences cut off, exFAT sets whose checksum fails.
    std::uint32_t damagedEntries = 0;
    // Folders not read again: their first cluster was read already (a loop,
    // two entries for one folder, or a directory whose chain ran on into it).
    std::uint32_t revisited = 0;
    // Folders not read: deeper than maxDepth, or past the memory the budget
    // gives folders waiting to be read.
    std::uint32_t notRead = 0;
    // Directory clusters that may have been passed over: the budget's memory
    // could not tell them from those read.
    std::uint64_t coarse = 0;
};

constexpr unsigned maxDepth = 64;
constexpr std::size_t maxPathBytes = 1024;

// Reads every directory from the root and hands every entry to visit, live
// and deleted, files and folders, with its path (where that would pass
// maxPathBytes, its first folder, an ellipsis between slashes, and its name);
// deleted folders are not read. Every cluster of a directory is read once at most: a directory ends
// at a cluster read for another. A directory is read at most to the largest
// size it may have (FAT: 65536 entries; exFAT: its data length, and at most
// 256 MiB). The folders waiting to be read take their memory from the map's
// budget.
WalkFindings walkDirectories(ClusterMap& map, const std::function<void(const VolumeEntry&)>& visit);

#pragma once

#include "VolumeKind.h"

#include <cstdint>

// Where a FAT or exFAT volume keeps its parts, as byte offsets in the source,
// from its boot sector.
struct VolumeGeometry {
    VolumeKind kind = VolumeKind::Unknown;
    // The volume's first byte, and its length as the boot sector states it.
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint32_t sectorBytes = 0;
    std::uint32_t clusterBytes = 0;
    // The clusters are numbered 2 to clusterCount + 1; cluster 2 begins at
    // heapOffset.
    std::uint32_t clusterCount = 0;
    std::uint64_t heapOffset = 0;
    // FAT number n begins at fatOffset + n * fatBytes. The active one is read;
    // where mirrored, the others are copies of it.
    std::uint64_t fatOffset = 0;
    std::uint64_t fatBytes = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t activeFat = 0;
    bool mirrored = false;
    // FAT12 and FAT16: the root directory's fixed region; FAT32 and exFAT: its
    // first cluster.
    std::uint64_t rootOffset = 0;
    std::uint32_t rootBytes = 0;
    std::uint32_t rootCluster = 0;
    // The main boot sector was damaged and its backup was read.
    bool backupBoot = false;
};

inline bool validCluster(const VolumeGeometry& geometry, std::uint64_t cluster) {
    return cluster >= 2 && cluster - 2 < geometry.clusterCount;
}

inline std::uint64_t clusterOffset(const VolumeGeometry& geometry, std::uint32_t cluster) {
    return geometry.heapOffset + std::uint64_t(cluster - 2) * geometry.clusterBytes;
}

// The clusters that lie wholly inside a source of sourceSize bytes: fewer
// than clusterCount where an image was cut short.
inline std::uint32_t clustersPresent(const VolumeGeometry& geometry, std::uint64_t sourceSize) {
    if (sourceSize <= geometry.heapOffset || geometry.clusterBytes == 0)
        return 0;
    const std::uint64_t whole = (sourceSize - geometry.heapOffset) / geometry.clusterBytes;
    return whole < geometry.clusterCount ? static_cast<std::uint32_t>(whole) : geometry.clusterCount;
}

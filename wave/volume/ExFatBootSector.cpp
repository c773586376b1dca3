#include "BootSector.h"

#include "LittleEndian.h"

#include <cstring>

namespace {

// The checksum of a boot region's first 11 sectors, which leaves out the
// volume flags and the percentage in use: those change without a rewrite of
// the region.
std::uint32_t regionChecksum(const unsigned char* region, std::uint32_t sectorBytes) {
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < 11 * sectorBytes; ++i) {
        if (i == 106 || i == 107 || i == 112)
            continue;
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + region[i];
    }
    return sum;
}

bool checksumHolds(const unsigned char* region, std::uint32_t sectorBytes) {
    const std::uint32_t sum = regionChecksum(region, sectorBytes);
    const unsigned char* stored = region + 11 * sectorBytes;
    for (std::uint32_t i = 0; i < sectorBytes; i += 4) {
        if (le32(stored + i) != sum)
            return false;
    }
    return true;
}

}

BootFindings parseExFatBootRegion(const unsigned char* region, std::uint32_t sectorBytes, std::uint64_t offset,
    std::uint64_t limit, VolumeGeometry& geometry) {
    static const unsigned char zeros[53] = {};
    if (std::memcmp(region + 3, "EXFAT   ", 8) != 0 || std::memcmp(region + 11, zeros, sizeof zeros) != 0
        || region[510] != 0x55 || region[511] != 0xAA)
        return BootFindings{BootFault::NotFatOrExFat, 0};
    const unsigned sectorShift = region[108];
    const unsigned clusterShift = region[109];
    if (sectorShift < 9 || sectorShift > 12 || (1u << sectorShift) != sectorBytes)
        return BootFindings{BootFault::SectorSize, sectorShift < 32 ? 1ull << sectorShift : sectorShift};
    if (clusterShift > 25 - sectorShift)
        return BootFindings{BootFault::ClusterSize, clusterShift};
    if (!checksumHolds(region, sectorBytes))
        return BootFindings{BootFault::Checksum, 0};
    const std::uint32_t fats = region[110];
    if (fats != 1 && fats != 2)
        return BootFindings{BootFault::FatCount, fats};

    const std::uint64_t volumeSectors = le64(region + 72);
    const std::uint64_t fatStart = le32(region + 80);
    const std::uint64_t fatSectors = le32(region + 84);
    const std::uint64_t heapStart = le32(region + 88);
    const std::uint64_t clusters = le32(region + 92);
    const std::uint32_t root = le32(region + 96);
    if (volumeSectors == 0 || volumeSectors > (~0ull >> sectorShift)
        || (limit != 0 && (volumeSectors << sectorShift) > limit))
        return BootFindings{BootFault::VolumeSize, volumeSectors};
    if (clusters == 0 || clusters > 0xFFFFFFF5)
        return BootFindings{BootFault::ClusterCount, clusters};
    if (fatSectors == 0 || (fatSectors << sectorShift) < (clusters + 2) * 4)
        return BootFindings{BootFault::FatSize, fatSectors};
    // The FATs after both boot regions, the heap after the FATs and inside the
    // volume.
    if (fatStart < 24 || fatStart + fats * fatSectors > heapStart
        || heapStart + (clusters << clusterShift) > volumeSectors)
        return BootFindings{BootFault::Regions, heapStart};

    VolumeGeometry found;
    found.kind = VolumeKind::ExFat;
    found.offset = offset;
    found.length = volumeSectors << sectorShift;
    found.sectorBytes = sectorBytes;
    found.clusterBytes = sectorBytes << clusterShift;
    found.clusterCount = static_cast<std::uint32_t>(clusters);
    found.heapOffset = offset + (heapStart << sectorShift);
    found.fatOffset = offset + (fatStart << sectorShift);
    found.fatBytes = fatSectors << sectorShift;
    found.fatCount = fats;
    // With two FATs (and two bitmaps), bit 0 of the volume flags names the
    // active ones; they are no copies of each other.
    found.activeFat = fats == 2 ? le16(region + 106) & 1 : 0;
    found.rootCluster = root;
    if (!validCluster(found, root))
        return BootFindings{BootFault::RootCluster, root};
    geometry = found;
    return BootFindings();
}

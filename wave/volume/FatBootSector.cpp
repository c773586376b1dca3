#include "BootSector.h"

#include "LittleEndian.h"

namespace {

bool powerOfTwo(std::uint64_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// The bytes of FAT entries for a volume's clusters, cluster numbers 0 and 1
// included.
std::uint64_t fatBytesNeeded(VolumeKind kind, std::uint64_t clusters) {
    const std::uint64_t entries = clusters + 2;
    switch (kind) {
    case VolumeKind::Fat12:
        return (entries * 3 + 1) / 2;
    case VolumeKind::Fat16:
        return entries * 2;
    default:
        return entries * 4;
    }
}

}

BootFindings parseFatBootSector(const unsigned char* sector, std::uint64_t offset, std::uint64_t limit,
    VolumeGeometry& geometry) {
    const unsigned media = sector[21];
    if ((sector[0] != 0xEB && sector[0] != 0xE9) || sector[510] != 0x55 || sector[511] != 0xAA
        || (media != 0xF0 && media < 0xF8))
        return BootFindings{BootFault::NotFatOrExFat, 0};
    const std::uint32_t sectorBytes = le16(sector + 11);
    if (sectorBytes < 512 || sectorBytes > 4096 || !powerOfTwo(sectorBytes))
        return BootFindings{BootFault::SectorSize, sectorBytes};
    const std::uint32_t perCluster = sector[13];
    if (!powerOfTwo(perCluster))
        return BootFindings{BootFault::ClusterSize, perCluster};
    const std::uint64_t reserved = le16(sector + 14);
    if (reserved == 0)
        return BootFindings{BootFault::ReservedSectors, 0};
    const std::uint32_t fats = sector[16];
    if (fats == 0)
        return BootFindings{BootFault::FatCount, 0};
    const std::uint32_t rootEntries = le16(sector + 17);
    const std::uint64_t total = le16(sector + 19) != 0 ? le16(sector + 19) : le32(sector + 32);
    if (total == 0 || (limit != 0 && total * sectorBytes > limit))
        return BootFindings{BootFault::VolumeSize, total};
    const std::uint64_t fatSectors = le16(sector + 22) != 0 ? le16(sector + 22) : le32(sector + 36);
    if (fatSectors == 0)
        return BootFindings{BootFault::FatSize, 0};
    const std::uint64_t rootSectors = (std::uint64_t(rootEntries) * 32 + sectorBytes - 1) / sectorBytes;
    const std::uint64_t dataStart = reserved + fats * fatSectors + rootSectors;
    if (dataStart >= total)
        return BootFindings{BootFault::Regions, dataStart};
    const std::uint64_t clusters = (total - dataStart) / perCluster;
    if (clusters == 0 || clusters > 0x0FFFFFF5)
        return BootFindings{BootFault::ClusterCount, clusters};

    // The type follows from the count of clusters alone.
    const VolumeKind kind = clusters < 4085 ? VolumeKind::Fat12
        : clusters < 65525                  ? VolumeKind::Fat16
                                            : VolumeKind::Fat32;
    if (fatSectors * sectorBytes < fatBytesNeeded(kind, clusters))
        return BootFindings{BootFault::FatSize, fatSectors};
    if ((kind == VolumeKind::Fat32) != (rootEntries == 0))
        return BootFindings{BootFault::RootEntries, rootEntries};

    VolumeGeometry found;
    found.kind = kind;
    found.offset = offset;
    found.length = total * sectorBytes;
    found.sectorBytes = sectorBytes;
    found.clusterBytes = sectorBytes * perCluster;
    found.clusterCount = static_cast<std::uint32_t>(clusters);
    found.fatOffset = offset + reserved * sectorBytes;
    found.fatBytes = fatSectors * sectorBytes;
    found.fatCount = fats;
    found.heapOffset = offset + dataStart * sectorBytes;
    found.mirrored = true;
    if (kind == VolumeKind::Fat32) {
        // Bit 7 of the extended flags: one FAT active, named by bits 0-3,
        // rather than all of them mirrored.
        const unsigned flags = le16(sector + 40);
        if (flags & 0x80) {
            found.mirrored = false;
            found.activeFat = (flags & 0x0F) < fats ? flags & 0x0F : 0;
        }
        found.rootCluster = le32(sector + 44);
        if (!validCluster(found, found.rootCluster))
            return BootFindings{BootFault::RootCluster, found.rootCluster};
    } else {
        found.rootOffset = found.fatOffset + fats * found.fatBytes;
        found.rootBytes = rootEntries * 32;
    }
    geometry = found;
    return BootFindings();
}

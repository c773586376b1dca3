#pragma once

#include "VolumeGeometry.h"

#include <cstdint>

class SourceReader;
struct VolumeLocation;

// Why a boot sector gives no volume to read. Each names the value that is
// absurd; None when the sector is sound.
enum class BootFault {
    None,
    // The sector lies past the end of the source, or could not be read.
    Unreadable,
    // Neither a FAT nor an exFAT boot sector.
    NotFatOrExFat,
    // Bytes per sector other than 512, 1024, 2048 or 4096.
    SectorSize,
    // Sectors per cluster not a power of two, or clusters past 32 MiB.
    ClusterSize,
    ReservedSectors,
    FatCount,
    // A FAT too small for the clusters, or of no sectors.
    FatSize,
    // FAT12 and FAT16: no root directory entries, or a root directory region
    // that is not whole sectors.
    RootEntries,
    // A volume of no sectors, or longer than its partition.
    VolumeSize,
    // Regions that overlap or reach past the volume's end, or leave no room
    // for clusters.
    Regions,
    ClusterCount,
    RootCluster,
    // exFAT: the main boot region's checksum does not match.
    Checksum
};

struct BootFindings {
    BootFault fault = BootFault::None;
    // The absurd value.
    std::uint64_t value = 0;
    // The main boot sector was damaged (mainFault) and its backup was read.
    bool backupUsed = false;
    BootFault mainFault = BootFault::None;
};

// Reads the boot sector of the volume at location, or where it is damaged,
// the backup FAT32 (at the sector its BPB names, usually 6) and exFAT (the
// region at sector 12) keep. Fills geometry when the fault is None.
BootFindings readBootSector(SourceReader& reader, const VolumeLocation& location, VolumeGeometry& geometry);

// The geometry a FAT12, FAT16 or FAT32 boot sector (its first 512 bytes)
// gives a volume at offset whose partition holds limit bytes (0: no
// partition); the FAT type by cluster count.
BootFindings parseFatBootSector(const unsigned char* sector, std::uint64_t offset, std::uint64_t limit,
    VolumeGeometry& geometry);
// The same for an exFAT main or backup boot region (its first 12 sectors of
// sectorBytes, checksum included).
BootFindings parseExFatBootRegion(const unsigned char* region, std::uint32_t sectorBytes, std::uint64_t offset,
    std::uint64_t limit, VolumeGeometry& geometry);

#pragma once

#include "VolumeKind.h"

#include <cstdint>
#include <vector>

class SourceReader;

enum class PartitionScheme { None, Mbr, Gpt };

// One volume of a source: where it lies and what it is.
struct VolumeLocation {
    std::uint64_t offset = 0;
    // As the partition table states it; for a volume without a table, as its
    // boot sector does (the whole source where it cannot be read).
    std::uint64_t length = 0;
    VolumeKind kind = VolumeKind::Unknown;
    PartitionScheme scheme = PartitionScheme::None;
    // As the table numbers it: MBR 1 to 4 primary, 5 on logical; GPT the entry
    // plus 1; 0 for a bare volume.
    unsigned number = 0;
    // The MBR partition type; 0 under a GPT or without a table.
    std::uint8_t mbrType = 0;
    // The source ends before the volume does.
    bool cutShort = false;
};

struct PartitionFindings {
    PartitionScheme scheme = PartitionScheme::None;
    std::vector<VolumeLocation> volumes;
    // The primary GPT header or its entries were damaged; the backup at the
    // end of the disk was read.
    bool gptBackupUsed = false;
    // Part of the table could not be read as a table: both GPT headers, an
    // extended partition's chain that loops, leaves its partition or runs past
    // maxLogical.
    bool tableDamaged = false;
    // The size of the sectors the table counts in.
    std::uint32_t sectorBytes = 512;
};

constexpr unsigned maxLogical = 128;

// The volumes of a whole disk with an MBR or a GPT, or the one volume of a
// source without a table (a card formatted without partitions, an image of a
// partition). Partitions of no length or starting past the source's end are
// listed, as cut short. The table counts in the disk's logical sectors:
// sectorBytes where the source tells it, else (0) those of 512 or 4096 bytes
// that find a volume.
PartitionFindings findVolumes(SourceReader& reader, std::uint32_t sectorBytes = 0);

#pragma once

#include <cstdint>

class SourceReader;

// What a volume is. The FAT family and exFAT are read; the others are only
// told apart, so that a refusal can name what it found.
enum class VolumeKind { Unknown, Fat12, Fat16, Fat32, ExFat, Ntfs, Ext, HfsPlus, Apfs };

// The name a person knows the kind by: "FAT32", "exFAT", "NTFS", "ext2/3/4",
// "HFS+", "APFS", "unknown".
const char* volumeKindName(VolumeKind kind);

inline bool readableKind(VolumeKind kind) {
    return kind == VolumeKind::Fat12 || kind == VolumeKind::Fat16 || kind == VolumeKind::Fat32
        || kind == VolumeKind::ExFat;
}

// What the volume of length bytes at offset is, from its first sectors, or for
// FAT32 and exFAT from the backup of a damaged boot sector.
VolumeKind identifyVolume(SourceReader& reader, std::uint64_t offset, std::uint64_t length);

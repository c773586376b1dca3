#include "VolumeKind.h"

#include "BootSector.h"
#include "PartitionTable.h"
#include "SourceReader.h"

#include <cstring>
#include <vector>

const char* volumeKindName(VolumeKind kind) {
    switch (kind) {
    case VolumeKind::Fat12:
        return "FAT12";
    case VolumeKind::Fat16:
        return "FAT16";
    case VolumeKind::Fat32:
        return "FAT32";
    case VolumeKind::ExFat:
        return "exFAT";
    case VolumeKind::Ntfs:
        return "NTFS";
    case VolumeKind::Ext:
        return "ext2/3/4";
    case VolumeKind::HfsPlus:
        return "HFS+";
    case VolumeKind::Apfs:
        return "APFS";
    default:
        return "unknown";
    }
}

namespace {

bool has(const std::vector<unsigned char>& bytes, std::size_t at, const char* text) {
    const std::size_t length = std::strlen(text);
    return at + length <= bytes.size() && std::memcmp(bytes.data() + at, text, length) == 0;
}

// A FAT boot sector whose values are absurd still names its type, so that
// the fault can be told rather than an unknown volume.
VolumeKind fatKind(const std::vector<unsigned char>& head, std::uint64_t offset) {
    VolumeGeometry geometry;
    if (parseFatBootSector(head.data(), offset, 0, geometry).fault == BootFault::None)
        return geometry.kind;
    if ((head[0] != 0xEB && head[0] != 0xE9) || head[510] != 0x55 || head[511] != 0xAA)
        return VolumeKind::Unknown;
    if (has(head, 82, "FAT32   "))
        return VolumeKind::Fat32;
    if (has(head, 54, "FAT16   "))
        return VolumeKind::Fat16;
    if (has(head, 54, "FAT12   "))
        return VolumeKind::Fat12;
    return VolumeKind::Unknown;
}

bool backupReadable(SourceReader& reader, std::uint64_t offset, VolumeKind kind) {
    VolumeLocation location;
    location.offset = offset;
    location.kind = kind;
    VolumeGeometry geometry;
    return readBootSector(reader, location, geometry).fault == BootFault::None;
}

}

VolumeKind identifyVolume(SourceReader& reader, std::uint64_t offset, std::uint64_t length) {
    if (offset >= reader.size())
        return VolumeKind::Unknown;
    std::uint64_t available = reader.size() - offset;
    if (length < available)
        available = length;
    std::vector<unsigned char> head(4096);
    if (available < 512)
        return VolumeKind::Unknown;
    // Sectors that fail read as zeros, which name no kind: the reader's notes
    // tell of them.
    static_cast<void>(reader.read(offset, head.data(),
        static_cast<std::uint32_t>(available < head.size() ? available : head.size())));

    if (has(head, 3, "EXFAT   "))
        return VolumeKind::ExFat;
    if (has(head, 3, "NTFS    "))
        return VolumeKind::Ntfs;
    const VolumeKind fat = fatKind(head, offset);
    if (fat != VolumeKind::Unknown)
        return fat;
    // The ext superblock at 1024 with its magic 0xEF53 at 56; the HFS+ (and
    // HFSX) volume header at 1024; the APFS container superblock's magic.
    if (head[1080] == 0x53 && head[1081] == 0xEF)
        return VolumeKind::Ext;
    if (has(head, 1024, "H+") || has(head, 1024, "HX"))
        return VolumeKind::HfsPlus;
    if (has(head, 32, "NXSB"))
        return VolumeKind::Apfs;
    if (backupReadable(reader, offset, VolumeKind::Fat32))
        return VolumeKind::Fat32;
    if (backupReadable(reader, offset, VolumeKind::ExFat))
        return VolumeKind::ExFat;
    return VolumeKind::Unknown;
}

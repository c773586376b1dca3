#include "BootSector.h"

#include "LittleEndian.h"
#include "PartitionTable.h"
#include "SourceReader.h"

#include <vector>

namespace {

const std::uint32_t sectorSizes[] = {512, 1024, 2048, 4096};

bool readInside(SourceReader& reader, std::uint64_t offset, std::vector<unsigned char>& bytes) {
    return offset <= reader.size() && bytes.size() <= reader.size() - offset
        && reader.read(offset, bytes.data(), static_cast<std::uint32_t>(bytes.size())).none();
}

BootFindings readExFat(SourceReader& reader, std::uint64_t offset, std::uint64_t limit, VolumeGeometry& geometry) {
    BootFindings main{BootFault::Unreadable};
    std::vector<unsigned char> region(512);
    for (std::uint32_t backup = 0; backup <= 12; backup += 12) {
        for (std::uint32_t sectorBytes : sectorSizes) {
            // A region is read whole only at the sector size it states, but
            // the main one at 512 always, so that its fault can be told.
            const std::uint64_t at = offset + backup * sectorBytes;
            region.resize(512);
            if (!readInside(reader, at, region)
                || ((region[108] >= 32 || (1u << region[108]) != sectorBytes) && (backup != 0 || sectorBytes != 512)))
                continue;
            region.resize(12 * sectorBytes);
            if (!readInside(reader, at, region))
                continue;
            BootFindings findings = parseExFatBootRegion(region.data(), sectorBytes, offset, limit, geometry);
            if (findings.fault == BootFault::None) {
                findings.backupUsed = backup != 0;
                findings.mainFault = backup != 0 ? main.fault : BootFault::None;
                geometry.backupBoot = backup != 0;
                return findings;
            }
            if (backup == 0 && (main.fault == BootFault::Unreadable || main.fault == BootFault::SectorSize))
                main = findings;
        }
    }
    return main;
}

BootFindings readFat(SourceReader& reader, std::uint64_t offset, std::uint64_t limit, VolumeGeometry& geometry) {
    std::vector<unsigned char> sector(512);
    if (!readInside(reader, offset, sector))
        return BootFindings{BootFault::Unreadable};
    const BootFindings main = parseFatBootSector(sector.data(), offset, limit, geometry);
    if (main.fault == BootFault::None)
        return main;
    // FAT32 keeps a copy of its boot sector, at the sector its BPB names
    // (usually 6); where the BPB is damaged, sector 6 of any sector size.
    std::vector<std::uint64_t> backups;
    const std::uint32_t named = le16(sector.data() + 50);
    const std::uint32_t sectorBytes = le16(sector.data() + 11);
    if (named != 0 && named != 6 && named < 32 && sectorBytes >= 512 && sectorBytes <= 4096
        && (sectorBytes & (sectorBytes - 1)) == 0)
        backups.push_back(std::uint64_t(named) * sectorBytes);
    for (std::uint32_t size : sectorSizes)
        backups.push_back(6 * size);
    for (std::uint64_t at : backups) {
        if (!readInside(reader, offset + at, sector))
            continue;
        BootFindings findings = parseFatBootSector(sector.data(), offset, limit, geometry);
        // A copy of a FAT32 boot sector, made where it says its copy lies.
        if (findings.fault == BootFault::None && geometry.kind == VolumeKind::Fat32
            && std::uint64_t(le16(sector.data() + 50)) * geometry.sectorBytes == at) {
            findings.backupUsed = true;
            findings.mainFault = main.fault;
            geometry.backupBoot = true;
            return findings;
        }
    }
    geometry = VolumeGeometry();
    return main;
}

}

BootFindings readBootSector(SourceReader& reader, const VolumeLocation& location, VolumeGeometry& geometry) {
    const std::uint64_t limit = location.scheme == PartitionScheme::None ? 0 : location.length;
    geometry = VolumeGeometry();
    BootFindings findings;
    if (location.kind == VolumeKind::ExFat)
        findings = readExFat(reader, location.offset, limit, geometry);
    else if (readableKind(location.kind))
        findings = readFat(reader, location.offset, limit, geometry);
    else
        findings.fault = BootFault::NotFatOrExFat;
    if (findings.fault != BootFault::None)
        geometry = VolumeGeometry();
    return findings;
}

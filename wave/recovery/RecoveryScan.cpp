#include "RecoveryScan.h"

#include "ClusterPass.h"
#include "OutputNames.h"
#include "PartitionTable.h"
#include "ScanPlan.h"
#include "SourceReader.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint64_t leastFatReads = 64ull << 20;

// A volume a scan reads: the bytes of the source it spans, and its number.
struct ScannedVolume {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    unsigned number = 0;
};

}

void recoverRecordings(SourceReader& reader, NewFiles& files, const RecoverySettings& settings,
    RecoveryEvents& events) {
    const PartitionFindings table = findVolumes(reader, settings.sectorBytes);
    if (table.tableDamaged)
        events.note({ScanNote::Kind::TableDamaged, 0, BootFault::None, 0, 0, 0});
    if (table.gptBackupUsed)
        events.note({ScanNote::Kind::GptBackupUsed, 0, BootFault::None, 0, 0, 0});
    // The volumes to scan, each one whose boot sector is sound and that lies
    // on none before it; the one it lies on, for the others.
    std::vector<ScannedVolume> scanned;
    std::vector<std::size_t> lying(table.volumes.size(), 0);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < table.volumes.size(); ++i) {
        const VolumeLocation& location = table.volumes[i];
        VolumeGeometry geometry;
        if (readBootSector(reader, location, geometry).fault != BootFault::None)
            continue;
        const ScannedVolume volume = {geometry.offset, geometry.offset + geometry.length, location.number};
        const auto on = std::find_if(scanned.begin(), scanned.end(),
            [&](const ScannedVolume& other) { return volume.from < other.to && other.from < volume.to; });
        lying[i] = on == scanned.end() ? 0 : static_cast<std::size_t>(on - scanned.begin()) + 1;
        if (on != scanned.end())
            continue;
        scanned.push_back(volume);
        if (location.offset < reader.size())
            total += std::min(location.length, reader.size() - location.offset);
    }
    ScanBudget budget(settings.memory, std::max(leastFatReads, reader.size()));
    OutputNames names(settings.folder, settings.separator);
    std::size_t found = 0;
    std::uint64_t passed = 0;
    for (std::size_t i = 0; i < table.volumes.size(); ++i) {
        if (settings.stopped())
            break;
        const VolumeLocation& location = table.volumes[i];
        VolumeGeometry geometry;
        const BootFindings boot = readBootSector(reader, location, geometry);
        if (boot.fault != BootFault::None) {
            events.refused({location.number, location.offset, location.kind, boot.fault, boot.value});
            continue;
        }
        if (lying[i] != 0) {
            events.note(
                {ScanNote::Kind::VolumeRepeated, location.number, BootFault::None, 0, scanned[lying[i] - 1].number, 0});
            continue;
        }
        if (boot.backupUsed)
            events.note({ScanNote::Kind::BackupBootUsed, location.number, boot.mainFault, 0, 0, 0});
        if (location.cutShort)
            events.note({ScanNote::Kind::CutShort, location.number, BootFault::None, reader.size(), 0, 0});
        ClusterMap map(reader, geometry, budget);
        const MapFindings mapped = map.read();
        if (mapped.fatUnreadable)
            events.note({ScanNote::Kind::FatUnreadable, location.number, BootFault::None, 0, 0, 0});
        if (mapped.noBitmap)
            events.note({ScanNote::Kind::NoBitmap, location.number, BootFault::None, 0, 0, 0});
        VolumeScan scan(map);
        scan.number = location.number;
        planScan(scan, events);
        ClusterPass(scan, files, names, settings, events).run(total, passed, found);
        if (map.chainsCut() > 0)
            events.note({ScanNote::Kind::ChainsCut, location.number, BootFault::None, 0, map.chainsCut(), 0});
    }
    for (const ReadFailure& failure : reader.failures())
        events.note({ScanNote::Kind::Unreadable, 0, BootFault::None, failure.offset, failure.length, failure.error});
}

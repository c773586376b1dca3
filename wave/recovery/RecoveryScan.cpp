#include "RecoveryScan.h"

#include "ClusterPass.h"
#include "OutputNames.h"
#include "PartitionTable.h"
#include "ScanPlan.h"
#include "SourceReader.h"

void recoverRecordings(SourceReader& reader, NewFiles& files, const RecoverySettings& settings,
    RecoveryEvents& events) {
    const PartitionFindings table = findVolumes(reader);
    if (table.tableDamaged)
        events.note({ScanNote::Kind::TableDamaged, 0, BootFault::None, 0, 0, 0});
    if (table.gptBackupUsed)
        events.note({ScanNote::Kind::GptBackupUsed, 0, BootFault::None, 0, 0, 0});
    std::uint64_t total = 0;
    for (const VolumeLocation& location : table.volumes) {
        if (readableKind(location.kind) && location.offset < reader.size())
            total += std::min(location.length, reader.size() - location.offset);
    }
    OutputNames names(settings.folder, settings.separator);
    std::size_t found = 0;
    std::uint64_t passed = 0;
    for (const VolumeLocation& location : table.volumes) {
        if (settings.stopped())
            break;
        VolumeGeometry geometry;
        const BootFindings boot = readBootSector(reader, location, geometry);
        if (boot.fault != BootFault::None) {
            events.refused({location.number, location.offset, location.kind, boot.fault, boot.value});
            continue;
        }
        if (boot.backupUsed)
            events.note({ScanNote::Kind::BackupBootUsed, location.number, boot.mainFault, 0, 0, 0});
        if (location.cutShort)
            events.note({ScanNote::Kind::CutShort, location.number, BootFault::None, reader.size(), 0, 0});
        ClusterMap map(reader, geometry);
        const MapFindings mapped = map.read();
        if (mapped.fatUnreadable)
            events.note({ScanNote::Kind::FatUnreadable, location.number, BootFault::None, 0, 0, 0});
        if (mapped.noBitmap)
            events.note({ScanNote::Kind::NoBitmap, location.number, BootFault::None, 0, 0, 0});
        VolumeScan scan(map);
        scan.number = location.number;
        planScan(scan, events);
        ClusterPass(scan, files, names, settings, events).run(total, passed, found);
    }
    for (const ReadFailure& failure : reader.failures())
        events.note({ScanNote::Kind::Unreadable, 0, BootFault::None, failure.offset, failure.length, failure.error});
}

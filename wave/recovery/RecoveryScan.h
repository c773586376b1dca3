#pragma once

#include "BootSector.h"
#include "NewFiles.h"
#include "RecoveredRecording.h"
#include "RevivalFormat.h"
#include "ScanBudget.h"
#include "VolumeKind.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class SourceReader;

struct RecoverySettings {
    // Nothing is created; each recording is judged as if it were.
    bool dryRun = false;
    // Where the new files go, and what joins a name to it.
    std::string folder;
    char separator = '/';
    // Runs of sound with no header before them are revived in this format
    // (--like, --format); left alone where null.
    const RevivalFormat* lostHeaders = nullptr;
    // Set (from a signal handler) to end the scan at its next read: the
    // recordings not yet whole are removed, none is reported.
    const std::atomic<bool>* interrupted = nullptr;

    bool stopped() const { return interrupted != nullptr && interrupted->load(); }
    // The source's logical sector size where it tells it, 0 where not.
    std::uint32_t sectorBytes = 0;
    // The memory a run keeps of the source's volumes (see ScanBudget).
    std::uint64_t memory = ScanBudget::defaultMemory;
};

// A volume of the source that gives no recordings: not FAT or exFAT (kind
// names what it is), or a boot sector that neither it nor its backup makes
// sound (fault, with the absurd value).
struct RefusedVolume {
    // As its table numbers it; 0 for a source without a table.
    unsigned number = 0;
    std::uint64_t offset = 0;
    VolumeKind kind = VolumeKind::Unknown;
    BootFault fault = BootFault::None;
    std::uint64_t value = 0;
};

// What a scan met on its way that the recordings' reports do not tell.
struct ScanNote {
    enum class Kind {
        // The partition table is partly damaged, or the primary GPT was and
        // its backup was read.
        TableDamaged,
        GptBackupUsed,
        // The boot sector is damaged (fault); its backup was read.
        BackupBootUsed,
        // The source ends inside the volume (an image cut short).
        CutShort,
        // No copy of the FAT could give some of its sectors; their clusters
        // count as free.
        FatUnreadable,
        // exFAT: no allocation bitmap could be read.
        NoBitmap,
        // Directory entries passed over as damaged (value of them).
        DamagedEntries,
        // Lost chains beyond those a scan examines (value of them).
        LostChainsLeft,
        // The volume lies on one scanned before (value: its number), named
        // twice or overlapping it; it was not scanned again.
        VolumeRepeated,
        // Folders not read (value of them): nested too deep, or past the
        // memory a run keeps.
        FoldersNotRead,
        // Clusters the scan may have passed over (value of them) where the
        // memory a run keeps could not tell them apart.
        ClustersPassedOver,
        // Entries and recordings found (value of them) that the memory a run
        // keeps could not hold.
        EntriesPassedOver,
        // Chains cut (value of them) where the FAT was read again on demand
        // as much as a run may.
        ChainsCut,
        // Bytes the source could not give (value of them from offset), read as
        // zeros; error is the system's code.
        Unreadable
    };
    Kind kind = Kind::TableDamaged;
    unsigned volume = 0;
    BootFault fault = BootFault::None;
    std::uint64_t offset = 0;
    std::uint64_t value = 0;
    int error = 0;
};

// Where a scan reports to, as it goes.
class RecoveryEvents {
public:
    virtual ~RecoveryEvents() = default;

    // A recording recovered (or judged, in a dry run), or refused; each once,
    // once its new file is on the disk.
    virtual void recording(const RecoveredRecording& recording) = 0;
    virtual void refused(const RefusedVolume& volume) = 0;
    virtual void note(const ScanNote& note) = 0;
    // Bytes of the source read of the volumes' total, and recordings found.
    virtual void progress(std::uint64_t read, std::uint64_t total, std::size_t found) = 0;
};

// Recovers the recordings that the FAT and exFAT volumes of the source no
// longer describe in full, each into a new file of its own (see
// FoundRecording); the source is read once in large reads, and never written.
// Each stretch of the source is scanned once, whatever its table says, and
// what the scan keeps stays within the budget of settings, as do the FAT's
// reads on demand (as many bytes as the source holds, and at least 64 MiB).
// Interrupted (settings.interrupted), it stops at its next large read, and
// notes what it could not read until then.
void recoverRecordings(SourceReader& reader, NewFiles& files, const RecoverySettings& settings, RecoveryEvents& events);

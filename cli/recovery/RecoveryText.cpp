#include "RecoveryText.h"

#include "LayoutOutcomeText.h"

#include <cstdio>

namespace {

std::string volumeName(unsigned number) {
    return number == 0 ? "the volume" : "partition " + std::to_string(number);
}

std::string bootFaultText(BootFault fault, std::uint64_t value) {
    const std::string absurd = " " + std::to_string(value);
    switch (fault) {
    case BootFault::Unreadable:
        return "it could not be read";
    case BootFault::NotFatOrExFat:
        return "neither FAT nor exFAT";
    case BootFault::SectorSize:
        return "bytes per sector" + absurd;
    case BootFault::ClusterSize:
        return "sectors per cluster" + absurd;
    case BootFault::ReservedSectors:
        return "reserved sectors" + absurd;
    case BootFault::FatCount:
        return "number of FATs" + absurd;
    case BootFault::FatSize:
        return "FAT size" + absurd;
    case BootFault::RootEntries:
        return "root directory entries" + absurd;
    case BootFault::VolumeSize:
        return "volume size" + absurd;
    case BootFault::Regions:
        return "regions that overlap or leave the volume";
    case BootFault::ClusterCount:
        return "cluster count" + absurd;
    case BootFault::RootCluster:
        return "root directory cluster" + absurd;
    case BootFault::Checksum:
        return "checksum that does not match";
    case BootFault::None:
        break;
    }
    return "";
}

std::string sizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes >= (1ull << 30))
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1ull << 30));
    else
        std::snprintf(text, sizeof text, "%.0f MiB", static_cast<double>(bytes) / (1ull << 20));
    return text;
}

std::string recordings(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " recording" : " recordings");
}

}

std::string recoveryOutcome(RepairResult result, bool dryRun) {
    switch (result) {
    case Repaired:
    case AlreadyValid:
        return dryRun ? "would be recovered" : "recovered";
    case Unsupported:
        return "unsupported format";
    case FileError:
        break;
    }
    return "file error";
}

std::string recordingName(const RecoveredRecording& recording) {
    return recording.name.empty() ? "the recording at byte " + std::to_string(recording.offset) : recording.name;
}

std::string foundText(FoundAs how) {
    switch (how) {
    case FoundAs::ZeroEntry:
        return "entry of 0 bytes";
    case FoundAs::StaleEntry:
        return "stale entry";
    case FoundAs::DeletedEntry:
        return "deleted entry";
    case FoundAs::LostChain:
        return "lost chain";
    case FoundAs::NoEntry:
        break;
    }
    return "no entry";
}

std::string endText(RecordingEnd end) {
    switch (end) {
    case RecordingEnd::Chain:
        return "ended with its chain";
    case RecordingEnd::EntrySize:
        return "ended at its entry's size";
    case RecordingEnd::StatedSize:
        return "ended at the size its header states";
    case RecordingEnd::SoundStops:
        return "ended where its sound stops continuing";
    case RecordingEnd::Erased:
        return "ended at erased clusters";
    case RecordingEnd::NextRecording:
        return "ended at the next recording";
    case RecordingEnd::LikeAnother:
        return "ended where another recording continues as well, which could not be told apart";
    case RecordingEnd::VolumeEnd:
        return "ended at the end of the volume";
    case RecordingEnd::SourceEnd:
        return "ended where the image ends";
    case RecordingEnd::Unreadable:
        return "ended at a cluster that could not be read";
    case RecordingEnd::ChainLoop:
        return "ended where its chain loops back";
    case RecordingEnd::ChainJoined:
        return "ended where its chain runs into another file's clusters";
    case RecordingEnd::ChainBroken:
        return "ended where its chain leaves the volume's clusters";
    case RecordingEnd::TooFragmented:
        break;
    }
    return "ended after more pieces than a scan keeps";
}

std::string durationText(std::uint64_t frames, std::uint32_t rate) {
    const std::uint64_t seconds = rate == 0 ? 0 : (frames + rate / 2) / rate;
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
        static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::string refusalReason(const RecoveredRecording& recording) {
    if (recording.result == FileError)
        return recording.why;
    if (recording.headerPastCluster)
        return "its header runs on past its first cluster, which cannot be followed without its chain";
    if (recording.notFollowable)
        return "samples other than integer PCM or float, which cannot be followed without a chain";
    return layoutUnsupportedReason(recording.layout);
}

std::string recoveryLine(const std::string& source, const RecoveredRecording& recording, bool dryRun) {
    const std::string outcome = source + ": " + recoveryOutcome(recording.result, dryRun);
    if (recording.result != Repaired && recording.result != AlreadyValid) {
        const std::string where =
            recording.output.empty() ? recordingName(recording) : recordingName(recording) + " to " + recording.output;
        return outcome + " (" + where + ": " + refusalReason(recording) + ")";
    }
    std::string line = outcome + " " + recordingName(recording) + " to " + recording.output + " ("
        + durationText(recording.frames, recording.rate) + ", " + foundText(recording.foundAs)
        + (recording.revived ? ", header rebuilt" : "") + ", " + endText(recording.end);
    if (recording.unreadable > 0)
        line += ", " + std::to_string(recording.unreadable) + " bytes unreadable, written as zeros";
    return line + ")";
}

std::string refusedVolumeReason(const RefusedVolume& volume) {
    if (volume.fault == BootFault::NotFatOrExFat) {
        const std::string what = volume.number == 0 ? "the source" : "partition " + std::to_string(volume.number);
        return what + " is not a FAT or exFAT volume"
            + (volume.kind == VolumeKind::Unknown ? "" : std::string(": ") + volumeKindName(volume.kind));
    }
    return volumeName(volume.number) + ": its boot sector and any backup of it are damaged ("
        + bootFaultText(volume.fault, volume.value) + ")";
}

std::string noteText(const ScanNote& note, const std::string& systemWords) {
    const std::string volume = volumeName(note.volume);
    switch (note.kind) {
    case ScanNote::Kind::TableDamaged:
        return "the partition table is damaged in part; the volumes it still names were read";
    case ScanNote::Kind::GptBackupUsed:
        return "the primary GPT is damaged; its backup at the end of the disk was read";
    case ScanNote::Kind::BackupBootUsed:
        return volume + ": the boot sector is damaged (" + bootFaultText(note.fault, note.value)
            + "); its backup was read";
    case ScanNote::Kind::CutShort:
        return volume + ": the image ends inside the volume, at byte " + std::to_string(note.offset)
            + "; what lies before it was read";
    case ScanNote::Kind::FatUnreadable:
        return volume + ": sectors of the FAT could be read from no copy of it; their clusters count as free";
    case ScanNote::Kind::NoBitmap:
        return volume + ": no allocation bitmap could be read";
    case ScanNote::Kind::DamagedEntries:
        return volume + ": " + std::to_string(note.value) + " damaged directory entries passed over";
    case ScanNote::Kind::LostChainsLeft:
        return volume + ": " + std::to_string(note.value) + " more lost chains not examined";
    case ScanNote::Kind::Unreadable:
        break;
    }
    return "bytes " + std::to_string(note.offset) + " to " + std::to_string(note.offset + note.value - 1)
        + " could not be read (" + systemWords + "); they were read as zeros";
}

std::string recoverySummary(const std::size_t counts[4], std::size_t refusedVolumes, bool dryRun) {
    const std::size_t total = counts[Repaired] + counts[Unsupported] + counts[FileError];
    std::string text =
        total == 0 ? std::string("no recording the card no longer describes in full") : recordings(total) + ":";
    const char* separator = " ";
    for (RepairResult result : {Repaired, Unsupported, FileError}) {
        if (counts[result] == 0 || total == 0)
            continue;
        text += separator + std::to_string(counts[result]) + " " + recoveryOutcome(result, dryRun);
        separator = ", ";
    }
    if (refusedVolumes > 0)
        text += "; " + std::to_string(refusedVolumes) + (refusedVolumes == 1 ? " volume" : " volumes") + " not read";
    return text;
}

std::string scanProgress(std::uint64_t read, std::uint64_t total, std::size_t found) {
    return sizeText(read) + " of " + sizeText(total) + " read, " + recordings(found);
}

std::string outputOnSource(const std::string& folder, const std::string& source) {
    return "the output folder " + folder + " lies on " + source
        + ", whose free clusters hold what is to be recovered; choose a folder on another disk";
}

#include "RecoveryText.h"

#include "LayoutOutcomeText.h"
#include "OutcomeText.h"

#include <cstdio>

namespace {

std::string number(std::uint64_t value) {
    return std::to_string(value);
}

std::string volumeName(Language language, unsigned volume) {
    return volume == 0 ? say(language, Text::TheVolume) : say(language, Text::PartitionNumber, {number(volume)});
}

std::string bootFaultText(Language language, BootFault fault, std::uint64_t value) {
    const std::string absurd = number(value);
    switch (fault) {
    case BootFault::Unreadable:
        return say(language, Text::BootUnreadable);
    case BootFault::NotFatOrExFat:
        return say(language, Text::BootNotFat);
    case BootFault::SectorSize:
        return say(language, Text::BootSectorSize, {absurd});
    case BootFault::ClusterSize:
        return say(language, Text::BootClusterSize, {absurd});
    case BootFault::ReservedSectors:
        return say(language, Text::BootReservedSectors, {absurd});
    case BootFault::FatCount:
        return say(language, Text::BootFatCount, {absurd});
    case BootFault::FatSize:
        return say(language, Text::BootFatSize, {absurd});
    case BootFault::RootEntries:
        return say(language, Text::BootRootEntries, {absurd});
    case BootFault::VolumeSize:
        return say(language, Text::BootVolumeSize, {absurd});
    case BootFault::Regions:
        return say(language, Text::BootRegions);
    case BootFault::ClusterCount:
        return say(language, Text::BootClusterCount, {absurd});
    case BootFault::RootCluster:
        return say(language, Text::BootRootCluster, {absurd});
    case BootFault::Checksum:
        return say(language, Text::BootChecksum);
    case BootFault::None:
        break;
    }
    return "";
}

// The first ranges shown of a recording's bytes lost, and how many more.
constexpr std::size_t rangesShown = 8;

std::string recordingName(Language language, const RecoveredRecording& recording) {
    return recording.name.empty() ? say(language, Text::RecordingAtByte, {number(recording.offset)}) : recording.name;
}

}

std::string rangesText(Language language, const std::vector<SourceRange>& ranges, std::uint64_t bytes) {
    const std::string separator = say(language, Text::SummarySeparator);
    std::string text;
    for (std::size_t i = 0; i < ranges.size() && i < rangesShown; ++i)
        text += (i == 0 ? "" : separator)
            + say(language, Text::ByteRange, {number(ranges[i].offset), number(ranges[i].end() - 1)});
    const std::size_t more = ranges.size() > rangesShown ? ranges.size() - rangesShown : 0;
    // Past the list's end, ranges were left out and only counted.
    if (rangeBytes(ranges) < bytes)
        text += separator + say(language, Text::MoreRangesAtLeast, {number(more + 1)});
    else if (more > 0)
        text += separator + say(language, Text::MoreRanges, {number(more)});
    return text;
}

std::string recoveryOutcome(Language language, RepairResult result, bool dryRun) {
    if (result == Repaired || result == AlreadyValid)
        return say(language, dryRun ? Text::WouldBeRecovered : Text::Recovered);
    return outcomeWord(language, result, dryRun);
}

std::string foundText(Language language, FoundAs how) {
    switch (how) {
    case FoundAs::ZeroEntry:
        return say(language, Text::EntryOfZeroBytes);
    case FoundAs::StaleEntry:
        return say(language, Text::StaleEntry);
    case FoundAs::DeletedEntry:
        return say(language, Text::DeletedEntry);
    case FoundAs::LostChain:
        return say(language, Text::LostChain);
    case FoundAs::NoEntry:
        break;
    }
    return say(language, Text::NoEntry);
}

std::string endText(Language language, RecordingEnd end) {
    switch (end) {
    case RecordingEnd::Chain:
        return say(language, Text::EndedWithChain);
    case RecordingEnd::EntrySize:
        return say(language, Text::EndedAtEntrySize);
    case RecordingEnd::StatedSize:
        return say(language, Text::EndedAtStatedSize);
    case RecordingEnd::SoundStops:
        return say(language, Text::EndedWhereSoundStops);
    case RecordingEnd::Erased:
        return say(language, Text::EndedAtErased);
    case RecordingEnd::NextRecording:
        return say(language, Text::EndedAtNextRecording);
    case RecordingEnd::LikeAnother:
        return say(language, Text::EndedLikeAnother);
    case RecordingEnd::VolumeEnd:
        return say(language, Text::EndedAtVolumeEnd);
    case RecordingEnd::SourceEnd:
        return say(language, Text::EndedAtSourceEnd);
    case RecordingEnd::Unreadable:
        return say(language, Text::EndedAtUnreadable);
    case RecordingEnd::ChainLoop:
        return say(language, Text::EndedAtChainLoop);
    case RecordingEnd::ChainJoined:
        return say(language, Text::EndedAtChainJoined);
    case RecordingEnd::ChainBroken:
        return say(language, Text::EndedAtChainBroken);
    case RecordingEnd::TooFragmented:
        break;
    }
    return say(language, Text::EndedTooFragmented);
}

std::string durationText(std::uint64_t frames, std::uint32_t rate) {
    const std::uint64_t seconds = rate == 0 ? 0 : (frames + rate / 2) / rate;
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
        static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::string refusalReason(Language language, const RecoveredRecording& recording) {
    if (recording.result == FileError && recording.headUnreadable.length > 0)
        return say(language, Text::HeadUnreadable,
            {rangesText(language, {recording.headUnreadable}, recording.headUnreadable.length)});
    if (recording.result == FileError)
        return recording.why;
    if (recording.headerPastCluster)
        return say(language, Text::HeaderPastCluster);
    if (recording.headerLost)
        return say(language, recording.revived ? Text::HeaderLostNoSound : Text::HeaderLost);
    if (recording.notFollowable)
        return say(language, Text::NotFollowable);
    return layoutUnsupportedReason(language, recording.layout);
}

std::string recoveryLine(Language language, const std::string& source, const RecoveredRecording& recording,
    bool dryRun) {
    const std::string name = recordingName(language, recording);
    if (recording.result != Repaired && recording.result != AlreadyValid) {
        const std::string where =
            recording.output.empty() ? name : say(language, Text::NamedTo, {name, recording.output});
        return outcomeLine(language, source, recording.result, dryRun,
            say(language, Text::NamedReason, {where, refusalReason(language, recording)}));
    }
    const std::string separator = say(language, Text::SummarySeparator);
    std::string detail = durationText(recording.frames, recording.rate) + separator
        + foundText(language, recording.foundAs)
        + (recording.revived ? separator + say(language, Text::HeaderRebuilt) : "") + separator
        + endText(language, recording.end);
    if (recording.unreadable > 0)
        detail += separator
            + say(language, Text::UnreadableAsZeros,
                {number(recording.unreadable), rangesText(language, recording.unreadableRanges, recording.unreadable)});
    return say(language, dryRun ? Text::WouldBeRecoveredTo : Text::RecoveredTo,
        {source, name, recording.output, detail});
}

std::string refusedVolumeReason(Language language, const RefusedVolume& volume) {
    if (volume.fault == BootFault::NotFatOrExFat) {
        const std::string what =
            volume.number == 0 ? say(language, Text::TheSource) : volumeName(language, volume.number);
        return volume.kind == VolumeKind::Unknown
            ? say(language, Text::NotFatVolume, {what})
            : say(language, Text::NotFatVolumeKind, {what, volumeKindName(volume.kind)});
    }
    return say(language, Text::BootDamaged,
        {volumeName(language, volume.number), bootFaultText(language, volume.fault, volume.value)});
}

std::string noteText(Language language, const ScanNote& note, const std::string& systemWords) {
    const std::string volume = volumeName(language, note.volume);
    switch (note.kind) {
    case ScanNote::Kind::TableDamaged:
        return say(language, Text::NoteTableDamaged);
    case ScanNote::Kind::GptBackupUsed:
        return say(language, Text::NoteGptBackupUsed);
    case ScanNote::Kind::BackupBootUsed:
        return say(language, Text::NoteBackupBootUsed, {volume, bootFaultText(language, note.fault, note.value)});
    case ScanNote::Kind::CutShort:
        return say(language, Text::NoteCutShort, {volume, number(note.offset)});
    case ScanNote::Kind::FatUnreadable:
        return say(language, Text::NoteFatUnreadable, {volume});
    case ScanNote::Kind::NoBitmap:
        return say(language, Text::NoteNoBitmap, {volume});
    case ScanNote::Kind::DamagedEntries:
        return say(language, Text::NoteDamagedEntries, {volume, number(note.value)});
    case ScanNote::Kind::LostChainsLeft:
        return say(language, Text::NoteLostChainsLeft, {volume, number(note.value)});
    case ScanNote::Kind::VolumeRepeated:
        return say(language, Text::NoteVolumeRepeated,
            {volume, volumeName(language, static_cast<unsigned>(note.value))});
    case ScanNote::Kind::FoldersNotRead:
        return say(language, Text::NoteFoldersNotRead, {volume, number(note.value)});
    case ScanNote::Kind::ClustersPassedOver:
        return say(language, Text::NoteClustersPassedOver, {volume, number(note.value)});
    case ScanNote::Kind::EntriesPassedOver:
        return say(language, Text::NoteEntriesPassedOver, {volume, number(note.value)});
    case ScanNote::Kind::ChainsCut:
        return say(language, Text::NoteChainsCut, {volume, number(note.value)});
    case ScanNote::Kind::Unreadable:
        break;
    }
    return say(language, Text::NoteUnreadable,
        {number(note.offset), number(note.offset + note.value - 1), systemWords});
}

std::string recoverySummary(Language language, const std::size_t counts[4], std::size_t refusedVolumes, bool dryRun) {
    const std::size_t total = counts[Repaired] + counts[Unsupported] + counts[FileError];
    std::string text = total == 0
        ? say(language, Text::NothingToRecover)
        : say(language, total == 1 ? Text::SummaryOneRecording : Text::SummaryRecordings, {number(total)});
    std::string separator = " ";
    const Text words[] = {dryRun ? Text::SummaryWouldBeRecovered : Text::SummaryRecovered, Text::SummaryUnsupported,
        Text::SummaryFileError};
    const RepairResult results[] = {Repaired, Unsupported, FileError};
    for (std::size_t i = 0; i < 3 && total > 0; ++i) {
        if (counts[results[i]] == 0)
            continue;
        text += separator + say(language, words[i], {number(counts[results[i]])});
        separator = say(language, Text::SummarySeparator);
    }
    if (refusedVolumes > 0)
        text += say(language, refusedVolumes == 1 ? Text::SummaryVolumeNotRead : Text::SummaryVolumesNotRead,
            {number(refusedVolumes)});
    return text;
}

std::string scanProgress(Language language, std::uint64_t read, std::uint64_t total, std::size_t found) {
    return say(language, Text::ScanProgress, {number(read >> 20), number(total >> 20), number(found)});
}

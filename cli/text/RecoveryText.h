#pragma once

#include "Catalog.h"
#include "RecoveredRecording.h"
#include "RecoveryScan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The texts of sonorix-repair --recover, in language.

// "SOURCE: recovered NAME to OUT (MM:SS, how it was found, how it ended)", or
// the refusal in the words of the repair: "SOURCE: unsupported format (NAME:
// why)", "SOURCE: file error (NAME to OUT: why)"; without the line end. dryRun
// says "would be recovered".
std::string recoveryLine(Language language, const std::string& source, const RecoveredRecording& recording,
    bool dryRun);

// The words of the outcome alone: "recovered", "would be recovered",
// "unsupported format", "file error".
std::string recoveryOutcome(Language language, RepairResult result, bool dryRun);

// "entry of 0 bytes", "stale entry", "deleted entry", "lost chain", "no entry".
std::string foundText(Language language, FoundAs how);
// "ended with its chain", "ended where its sound stops continuing", ...
std::string endText(Language language, RecordingEnd end);
// "1048576 to 1049087, 1050624 to 1051135": the first ranges (inclusive) of
// bytes lost, and "and 3 more"; "and at least N more" where they hold fewer
// than bytes.
std::string rangesText(Language language, const std::vector<SourceRange>& ranges, std::uint64_t bytes);
// "MM:SS" of frames at rate, to the nearest second (more minutes past 99).
std::string durationText(std::uint64_t frames, std::uint32_t rate);
// Why a recording was refused.
std::string refusalReason(Language language, const RecoveredRecording& recording);

// Why a volume gives no recordings: "partition 3 is not a FAT or exFAT
// volume: ext2/3/4", "partition 1: its boot sector and any backup of it are
// damaged (...)".
std::string refusedVolumeReason(Language language, const RefusedVolume& volume);

// A note for standard error, without "sonorix-repair: SOURCE: ";
// systemWords: the system's words for a read error's code.
std::string noteText(Language language, const ScanNote& note, const std::string& systemWords);

// "7 recordings: 6 recovered, 1 unsupported format", or that there were none,
// and the volumes not read; counts by RepairResult.
std::string recoverySummary(Language language, const std::size_t counts[4], std::size_t refusedVolumes, bool dryRun);

// "1200 MiB of 4096 MiB read, 3 found".
std::string scanProgress(Language language, std::uint64_t read, std::uint64_t total, std::size_t found);

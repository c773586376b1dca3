#pragma once

#include "RecoveredRecording.h"
#include "RecoveryScan.h"

#include <cstddef>
#include <string>

// The texts of sonorix-repair --recover, kept together so they move into the
// catalog as one.

// "SOURCE: recovered NAME to OUT (MM:SS, how, ended where)", or the refusal
// in the words of the repair: "SOURCE: unsupported format (NAME: why)",
// "SOURCE: file error (NAME: why)"; without the line end. dryRun says "would
// be recovered".
std::string recoveryLine(const std::string& source, const RecoveredRecording& recording, bool dryRun);

// The words of the outcome alone: "recovered", "would be recovered",
// "unsupported format", "file error".
std::string recoveryOutcome(RepairResult result, bool dryRun);

// "DCIM/ZOOM0001.WAV", or "the recording at byte N" where it has no entry.
std::string recordingName(const RecoveredRecording& recording);
// "entry of 0 bytes", "stale entry", "deleted entry", "lost chain", "no entry".
std::string foundText(FoundAs how);
// "ended with its chain", "ended where its sound stops continuing", ...
std::string endText(RecordingEnd end);
// "MM:SS" of frames at rate (MMM:SS past 99 minutes).
std::string durationText(std::uint64_t frames, std::uint32_t rate);
// Why a recording was refused.
std::string refusalReason(const RecoveredRecording& recording);

// Why a volume gives no recordings: "partition 3 is not a FAT or exFAT
// volume: ext2/3/4", "the volume's boot sector and its backup are damaged
// (...)".
std::string refusedVolumeReason(const RefusedVolume& volume);

// A note for standard error, without "sonorix-repair: SOURCE: ".
std::string noteText(const ScanNote& note, const std::string& systemWords);

// "7 recordings: 6 recovered, 1 unsupported format", "no recording the card
// no longer describes in full", with file errors of volumes counted apart.
std::string recoverySummary(const std::size_t counts[4], std::size_t refusedVolumes, bool dryRun);

// "1.2 GiB of 4.0 GiB read, 3 recordings": the progress of a long scan.
std::string scanProgress(std::uint64_t read, std::uint64_t total, std::size_t found);

// Why the output folder cannot take the recordings, or the source be read.
std::string outputOnSource(const std::string& folder, const std::string& source);

#include "RecoverCommand.h"

#include "Console.h"
#include "JsonLine.h"
#include "PlatformFiles.h"
#include "ProgressLine.h"
#include "RecoveryPlatform.h"
#include "OutcomeText.h"
#include "RecoveryText.h"
#include "Revival.h"
#include "SourceReader.h"

namespace {

std::string nullable(const std::string& text) {
    return text.empty() ? "null" : jsonString(text);
}

// The reports of one run, to standard output and standard error.
class Reports : public RecoveryEvents {
public:
    Reports(const CommandOptions& options, Language language, const RecoveryPlatform& platform)
        : options(options), language(language), platform(platform),
          progressLine(console::errorIsTerminal(), language, console::writeError, ProgressLine::Clock::now()),
          shared(console::outIsTerminal() && console::errorIsTerminal()) {}

    void recording(const RecoveredRecording& recording) override {
        ++counts[recording.result == AlreadyValid ? Repaired : recording.result];
        if (!options.json) {
            out(recoveryLine(language, options.source, recording, options.dryRun));
            return;
        }
        const bool recovered = recording.result == Repaired || recording.result == AlreadyValid;
        const auto pairs = [](const std::vector<SourceRange>& ranges) {
            std::string list;
            for (const SourceRange& range : ranges)
                list += (list.empty() ? "[" : ",[") + std::to_string(range.offset) + "," + std::to_string(range.length)
                    + "]";
            return list;
        };
        out("{\"source\":" + jsonString(options.source) + ",\"name\":" + nullable(recording.name)
            + ",\"output\":" + nullable(recording.output) + ",\"offset\":" + std::to_string(recording.offset)
            + ",\"frames\":" + std::to_string(recording.frames) + ",\"rate\":" + std::to_string(recording.rate)
            + ",\"outcome\":\"" + recoveryOutcome(language, recording.result, options.dryRun)
            + "\",\"reason\":" + (recovered ? "null" : jsonString(refusalReason(language, recording)))
            + ",\"found\":" + jsonString(foundText(language, recording.foundAs))
            + ",\"ended\":" + (recovered ? jsonString(endText(language, recording.end)) : "null")
            + ",\"unreadable\":" + std::to_string(recording.unreadable) + ",\"unreadable_ranges\":["
            + pairs(recording.unreadableRanges) + "],\"runs\":[" + pairs(recording.taken) + "]}");
    }

    void refused(const RefusedVolume& volume) override {
        ++refusedVolumes;
        fileError(refusedVolumeReason(language, volume), volume.offset);
    }

    void note(const ScanNote& note) override {
        notes += "sonorix-repair: " + options.source + ": " + noteText(language, note, platform.failureText(note.error))
            + "\n";
    }

    void progress(std::uint64_t read, std::uint64_t total, std::size_t found) override {
        progressLine.showText(scanProgress(language, read, total, found), ProgressLine::Clock::now());
    }

    // A line for the source as a whole: it could not be read, or the output
    // folder refused.
    void fileError(const std::string& why, std::uint64_t offset = 0) {
        ++counts[FileError];
        if (!options.json) {
            out(outcomeLine(language, options.source, FileError, false, why));
            return;
        }
        out("{\"source\":" + jsonString(options.source)
            + ",\"name\":null,\"output\":null,\"offset\":" + std::to_string(offset)
            + ",\"frames\":0,\"rate\":0,\"outcome\":\"file error\",\"reason\":" + jsonString(why)
            + ",\"found\":null,\"ended\":null,\"unreadable\":0,\"unreadable_ranges\":[],\"runs\":[]}");
    }

    // Flushes the lines, then says what the scan met and sums it up, or that
    // it was interrupted (exit status 130, as a shell gives a program that
    // SIGINT ended).
    int finish(bool scanned, bool interrupted = false) {
        progressLine.erase();
        const bool written = console::finishOut();
        console::writeError(notes);
        if (interrupted) {
            console::writeError(
                "sonorix-repair: " + options.source + ": " + say(language, Text::RecoveryInterrupted) + "\n");
            return 130;
        }
        if (scanned) {
            std::size_t recordings[4] = {};
            recordings[Repaired] = counts[Repaired];
            recordings[Unsupported] = counts[Unsupported];
            recordings[FileError] = counts[FileError] - refusedVolumes;
            console::writeError("sonorix-repair: " + options.source + ": "
                + recoverySummary(language, recordings, refusedVolumes, options.dryRun) + "\n");
        }
        if (!written || counts[FileError] > 0)
            return 2;
        return counts[Unsupported] > 0 ? 1 : 0;
    }

private:
    void out(const std::string& line) {
        if (shared)
            progressLine.erase();
        console::writeOut(line + "\n");
    }

    const CommandOptions& options;
    Language language;
    const RecoveryPlatform& platform;
    ProgressLine progressLine;
    bool shared;
    std::size_t counts[4] = {};
    std::size_t refusedVolumes = 0;
    std::string notes;
};

}

int runRecovery(const CommandOptions& options, Language language) {
    // The files of repairs, for the donor of --like alone.
    PlatformFiles files(true, true, language);
    const Revival revival(options, files, language);
    if (revival.problem() != 0)
        return revival.problem();
    RecoveryPlatform platform(language);
    Reports reports(options, language, platform);
    std::string why;
    bool onSource = false;
    if (!platform.open(options.source, why)) {
        reports.fileError(why);
        return reports.finish(false);
    }
    if (!options.output.empty() && !platform.admitOutput(options.output, options.dryRun, onSource, why)) {
        reports.fileError(onSource ? say(language, Text::OutputOnSource, {options.output, options.source}) : why);
        return reports.finish(false);
    }
    RecoverySettings settings;
    settings.dryRun = options.dryRun;
    settings.folder = options.output;
    settings.separator = platform.separator();
    settings.lostHeaders = revival.lostHeaders();
    settings.interrupted = &platform.interruption();
    platform.catchInterruptions();
    settings.sectorBytes = platform.source().logicalSectorSize();
    SourceReader reader(platform.source());
    recoverRecordings(reader, platform.newFiles(), settings, reports);
    return reports.finish(true, settings.stopped());
}

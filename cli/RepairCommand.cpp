#include "RepairCommand.h"

#include "AnyLayoutRepairer.h"
#include "CommandOptions.h"
#include "Console.h"
#include "FieldChanges.h"
#include "JsonLine.h"
#include "LayoutOutcomeText.h"
#include "OutcomeText.h"
#include "PlatformFiles.h"
#include "ProgressLine.h"
#include "RecoverCommand.h"
#include "RepairTargets.h"
#include "Revival.h"
#include "RunSummary.h"
#include "SyncedReport.h"
#include "WaveRepairer.h"

namespace {

constexpr int usageError = 64;

const char usageLine[] =
    "Usage: sonorix-repair [--canonical | --any-layout] [--dry-run] [--touch] [--recursive] [--json]\n"
    "                     [--like DONOR | --format RATE,BITS,CHANNELS[,float]] [--output DIR]\n"
    "                     FILE...\n"
    "       sonorix-repair --recover SOURCE --output DIR [--dry-run] [--json]\n"
    "                     [--like DONOR | --format RATE,BITS,CHANNELS[,float]]\n";

const char help[] = "Rewrites the size fields of WAV files whose recording was cut off, in place.\n"
                    "Any RIFF/WAVE chunk layout of PCM, float, A-law or mu-law audio, RF64 and\n"
                    "AIFF is repaired; chunks and ID3 tags after the audio are kept as they are,\n"
                    "and a sound file is never written. A RIFF file larger than 4 GiB + 7 bytes\n"
                    "becomes RF64 where a JUNK chunk after WAVE leaves room.\n"
                    "\n"
                    "  --canonical   the rule of Sonorix.exe: only the canonical 44-byte PCM\n"
                    "                header, everything after it taken for audio, bytes 4-7 and\n"
                    "                40-43 alone rewritten, files over 4 GiB + 7 bytes refused\n"
                    "  --any-layout  the default rule, named\n"
                    "  --dry-run     report what a repair would do; open nothing for writing\n"
                    "  --touch       let the repair update the modification time (kept by default)\n"
                    "  --recursive   a folder stands for every recording beneath it (.wav, .wave,\n"
                    "                .bwf, .rf64, .aif, .aiff, .aifc); also -r\n"
                    "  --json        one JSON object per file instead of the lines, with the\n"
                    "                fields written (offset, bytes before and after)\n"
                    "  --like DONOR  revive files whose header is lost as recordings in the format of\n"
                    "                DONOR, a sound or repairable PCM or float WAV file of the same\n"
                    "                recorder and settings; files with a header are repaired as ever\n"
                    "  --format RATE,BITS,CHANNELS[,float]\n"
                    "                revive them as little-endian PCM (8, 16, 24 or 32 bits) or float\n"
                    "                (32 or 64 bits) instead; the audio is found from the samples,\n"
                    "                the header written before it in place when whole chunks fill the\n"
                    "                bytes there, otherwise to FILE.wav, and a file whose samples do\n"
                    "                not fit the format is refused (not on Windows)\n"
                    "  --output DIR  write the new files of revived recordings into DIR\n"
                    "  --recover SOURCE\n"
                    "                recover into DIR (--output, not on SOURCE) the recordings that a\n"
                    "                card, disk or image (dd) of FAT or exFAT no longer describes in\n"
                    "                full: entries of 0 bytes, stale or deleted entries, lost chains\n"
                    "                and recordings with no entry, followed by their chains or, where\n"
                    "                there is none, by the sound their clusters continue; with --like\n"
                    "                or --format also runs of sound whose header is lost. SOURCE is\n"
                    "                never written; each recording becomes a new file, repaired by\n"
                    "                the default rule\n"
                    "  --help        show this help\n"
                    "  --version     show the version\n"
                    "\n"
                    "After more than one file a summary line goes to standard error.\n"
                    "Exit status: 0 every file repaired or already sound (--recover: the scan\n"
                    "finished), 1 some file of an unsupported format, 2 some file error,\n"
                    "64 usage error.\n";

// The default rule's verdict on a file the canonical rule refused, for the
// hint that it would be repaired without --canonical.
bool anyLayoutRepairs(PlatformFiles& files, const std::string& path) {
    LayoutFindings findings;
    return AnyLayoutRepairer().inspect(files.inspector(), path.c_str(), findings) == Repaired;
}

Outcome handle(const CommandOptions& options, const std::string& path, PlatformFiles& files, RandomFileAccess& file) {
    Outcome outcome;
    outcome.path = path;
    outcome.dryRun = options.dryRun;
    if (!options.canonical) {
        const AnyLayoutRepairer repairer;
        LayoutFindings findings;
        outcome.result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                        : repairer.repair(file, path.c_str(), options.keepTime, findings);
        if (outcome.result == Unsupported)
            outcome.why = layoutUnsupportedReason(findings);
        else if (outcome.result == FileError)
            outcome.why = layoutFileErrorReason(findings, files.reason());
        else if (outcome.result == Repaired)
            outcome.changes = layoutChanges(findings.plan);
        return outcome;
    }
    const WaveRepairer repairer;
    RepairFindings findings;
    outcome.result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                    : repairer.repair(file, path.c_str(), options.keepTime, findings);
    if (outcome.result == Unsupported) {
        outcome.why = unsupportedReason(findings);
        if (anyLayoutRepairs(files, path))
            outcome.why += "; without --canonical it is repaired";
    } else if (outcome.result == FileError) {
        outcome.why = fileErrorReason(findings, files.reason());
    } else if (outcome.result == Repaired) {
        outcome.changes = canonicalChanges(findings);
    }
    return outcome;
}

int repairAll(const CommandOptions& options) {
    const Revival revival(options);
    if (revival.problem() != 0)
        return revival.problem();
    PlatformFiles files(options.dryRun, options.keepTime);
    const std::deque<RepairTarget> targets = findTargets(options.files, options.recursive, files.folders());
    ProgressLine progress(console::errorIsTerminal(), console::writeError, ProgressLine::Clock::now());
    const bool shared = console::outIsTerminal() && console::errorIsTerminal();
    RunSummary summary(options.dryRun);
    SyncedReport report([&] { return files.syncDeferred(); },
        [&](const Outcome& outcome) {
            if (shared)
                progress.erase();
            // A revived recording's line says where its header went.
            const std::string detail =
                outcome.result == Repaired && !outcome.why.empty() ? " (" + outcome.why + ")" : "";
            const std::string line = options.json
                ? jsonLine(outcome)
                : outcomeLine(outcome.path, outcome.result, outcome.dryRun, outcome.why) + detail;
            console::writeOut(line + "\n");
            summary.count(outcome.result);
        });
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const RepairTarget& target = targets[i];
        progress.show(i, targets.size(), target.path, ProgressLine::Clock::now());
        if (!target.error.empty()) {
            report.add({target.path, FileError, options.dryRun, target.error, {}});
            continue;
        }
        Outcome outcome;
        if (!revival.reviveIfLost(target.path, files, outcome))
            outcome = handle(options, target.path, files, files.next(target.regular));
        std::uint64_t group = 0;
        if (outcome.result == Repaired && files.deferred(group))
            report.addDeferred(std::move(outcome), group);
        else
            report.add(std::move(outcome));
    }
    report.release();
    progress.erase();
    // The lines first, so that the summary follows them where both streams
    // go to one file.
    const bool written = console::finishOut();
    if (summary.files() > 1)
        console::writeError("sonorix-repair: " + summary.line() + "\n");
    console::waitIfOwnConsole();
    return written ? summary.exitStatus() : 2;
}

}

int runRepairCommand(const std::vector<std::string>& args) {
    const CommandOptions options = parseCommandOptions(args);
    switch (options.action) {
    case CommandOptions::Action::Help:
        console::writeOut(std::string(usageLine) + help);
        break;
    case CommandOptions::Action::Version:
        console::writeOut(std::string("sonorix-repair ") + SONORIX_REPAIR_VERSION + "\n");
        break;
    case CommandOptions::Action::UsageError:
        console::writeError(
            "sonorix-repair: " + options.problem + "\n" + usageLine + "Try 'sonorix-repair --help' for more.\n");
        return usageError;
    case CommandOptions::Action::Repair:
        return repairAll(options);
    case CommandOptions::Action::Recover:
        return runRecovery(options);
    }
    return console::finishOut() ? 0 : 2;
}

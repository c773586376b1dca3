#include "AnyLayoutRepairer.h"
#include "CommandOptions.h"
#include "LayoutOutcomeText.h"
#include "OutcomeText.h"
#include "PosixFileAccess.h"
#include "SyncedReport.h"
#include "WaveRepairer.h"

#include <cstdio>

namespace {

// Exit statuses, after sysexits for the usage error.
constexpr int allSound = 0;
constexpr int someUnsupported = 1;
constexpr int someFileError = 2;
constexpr int usageError = 64;

const char usageLine[] = "Usage: sonorix-repair [--canonical | --any-layout] [--dry-run] [--touch] FILE...\n";

const char help[] = "Rewrites the size fields of WAV and AIFF files whose recording was cut off, in\n"
                    "place. Any RIFF/WAVE chunk layout of PCM, float, A-law or mu-law audio, RF64,\n"
                    "and AIFF or AIFF-C of fixed frames (NONE, twos, sowt, raw, in24, in32, fl32,\n"
                    "fl64, alaw, ulaw) are repaired; chunks and ID3 tags after the audio are kept\n"
                    "as they are, and a sound file is never written. A RIFF file larger than\n"
                    "4 GiB + 7 bytes becomes RF64 where a JUNK chunk after WAVE leaves room.\n"
                    "\n"
                    "  --canonical   the rule of Sonorix.exe: only the canonical 44-byte PCM\n"
                    "                header, everything after it taken for audio, bytes 4-7 and\n"
                    "                40-43 alone rewritten, files over 4 GiB + 7 bytes refused\n"
                    "  --any-layout  the default rule, named\n"
                    "  --dry-run     report what a repair would do; open nothing for writing\n"
                    "  --touch       let the repair update the modification time (kept by default)\n"
                    "  --help        show this help\n"
                    "  --version     show the version\n"
                    "\n"
                    "Exit status: 0 every file repaired or already sound, 1 some file of an\n"
                    "unsupported format, 2 some file error, 64 usage error.\n";

RepairResult handle(const CommandOptions& options, const std::string& path, FileSystemSync& sync,
    SyncedReport& report) {
    PosixFileAccess file(options.dryRun ? PosixFileAccess::Mode::Inspect : PosixFileAccess::Mode::ReadWrite,
        options.keepTime ? PosixFileAccess::Time::Keep : PosixFileAccess::Time::MayChange, &sync);
    RepairResult result;
    std::string why;
    if (!options.canonical) {
        const AnyLayoutRepairer repairer;
        LayoutFindings findings;
        result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                : repairer.repair(file, path.c_str(), options.keepTime, findings);
        why = result == Unsupported ? layoutUnsupportedReason(findings) : layoutFileErrorReason(findings, file);
    } else {
        const WaveRepairer repairer;
        RepairFindings findings;
        result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                : repairer.repair(file, path.c_str(), options.keepTime, findings);
        why = result == Unsupported ? unsupportedReason(findings) : fileErrorReason(findings, file);
    }
    const std::string line = outcomeLine(path, result, options.dryRun, why);
    dev_t device;
    if (result == Repaired && file.syncDeferred(device))
        report.addRepaired(path, line, device);
    else
        report.add(line);
    return result;
}

}

int main(int argc, char** argv) {
    const CommandOptions options = parseCommandOptions(argc, argv);
    switch (options.action) {
    case CommandOptions::Action::Help:
        std::fputs(usageLine, stdout);
        std::fputs(help, stdout);
        return allSound;
    case CommandOptions::Action::Version:
        std::printf("sonorix-repair %s\n", SONORIX_REPAIR_VERSION);
        return allSound;
    case CommandOptions::Action::UsageError:
        std::fprintf(stderr, "sonorix-repair: %s\n%sTry 'sonorix-repair --help' for more.\n", options.problem.c_str(),
            usageLine);
        return usageError;
    case CommandOptions::Action::Repair:
        break;
    }

    // One sync per file system for a batch of repairs, instead of a flush
    // per file.
    FileSystemSync sync;
    SyncedReport report(sync);
    bool unsupported = false;
    bool fileError = false;
    for (const std::string& path : options.files) {
        const RepairResult result = handle(options, path, sync, report);
        unsupported = unsupported || result == Unsupported;
        fileError = fileError || result == FileError;
    }
    report.release();
    fileError = fileError || report.someUnwritten();
    if (std::fflush(stdout) != 0)
        return someFileError;
    return fileError ? someFileError : unsupported ? someUnsupported : allSound;
}

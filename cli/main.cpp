#include "CommandOptions.h"
#include "OutcomeText.h"
#include "PosixFileAccess.h"
#include "WaveRepairer.h"

#include <cstdio>

namespace {

// Exit statuses, after sysexits for the usage error.
constexpr int allSound = 0;
constexpr int someUnsupported = 1;
constexpr int someFileError = 2;
constexpr int usageError = 64;

const char usage[] =
    "Usage: sonorix-repair [--dry-run] [--touch] FILE...\n"
    "Rewrites the RIFF and data sizes of canonical 44-byte-header PCM WAV files\n"
    "whose recording was cut off, in place. Only bytes 4-7 and 40-43 change.\n"
    "\n"
    "  --dry-run  report what a repair would do; open nothing for writing\n"
    "  --touch    let the repair update the modification time (kept by default)\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 every file repaired or already sound, 1 some file of an\n"
    "unsupported format, 2 some file error, 64 usage error.\n";

RepairResult handle(const CommandOptions& options, const std::string& path)
{
    const WaveRepairer repairer;
    RepairFindings findings;
    PosixFileAccess file(options.dryRun ? PosixFileAccess::Mode::Inspect : PosixFileAccess::Mode::ReadWrite);
    const RepairResult result = options.dryRun
        ? repairer.inspect(file, path.c_str(), findings)
        : repairer.repair(file, path.c_str(), !options.touch, findings);
    std::printf("%s\n", outcomeLine(path, result, options.dryRun, findings, file).c_str());
    return result;
}

}

int main(int argc, char** argv)
{
    const CommandOptions options = parseCommandOptions(argc, argv);
    switch (options.action) {
    case CommandOptions::Action::Help:
        std::fputs(usage, stdout);
        return allSound;
    case CommandOptions::Action::Version:
        std::printf("sonorix-repair %s\n", SONORIX_VERSION);
        return allSound;
    case CommandOptions::Action::UsageError:
        std::fprintf(stderr, "sonorix-repair: %s\nUsage: sonorix-repair [--dry-run] [--touch] FILE...\n"
            "Try 'sonorix-repair --help' for more.\n", options.problem.c_str());
        return usageError;
    case CommandOptions::Action::Repair:
        break;
    }

    bool unsupported = false;
    bool fileError = false;
    for (const std::string& path : options.files) {
        const RepairResult result = handle(options, path);
        unsupported = unsupported || result == Unsupported;
        fileError = fileError || result == FileError;
    }
    if (std::fflush(stdout) != 0)
        return someFileError;
    return fileError ? someFileError : unsupported ? someUnsupported : allSound;
}

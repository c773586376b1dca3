#include "AnyLayoutRepairer.h"
#include "CommandOptions.h"
#include "LayoutOutcomeText.h"
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

const char usageLine[] = "Usage: sonorix-repair [--any-layout] [--dry-run] [--touch] FILE...\n";

const char help[] =
    "Rewrites the size fields of WAV files whose recording was cut off, in place.\n"
    "By default only files with the canonical 44-byte PCM header are repaired,\n"
    "and only bytes 4-7 and 40-43 change. Files larger than 4 GiB + 7 bytes are\n"
    "refused unless --any-layout can make them RF64.\n"
    "\n"
    "  --any-layout  repair any RIFF/WAVE chunk layout of PCM, float, A-law or\n"
    "                mu-law audio, and RF64; a RIFF file larger than 4 GiB + 7\n"
    "                bytes becomes RF64 where a JUNK chunk after WAVE leaves room\n"
    "  --dry-run     report what a repair would do; open nothing for writing\n"
    "  --touch       let the repair update the modification time (kept by default)\n"
    "  --help        show this help\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 every file repaired or already sound, 1 some file of an\n"
    "unsupported format, 2 some file error, 64 usage error.\n";

RepairResult handle(const CommandOptions& options, const std::string& path)
{
    PosixFileAccess file(options.dryRun ? PosixFileAccess::Mode::Inspect : PosixFileAccess::Mode::ReadWrite,
        options.touch ? PosixFileAccess::Time::MayChange : PosixFileAccess::Time::Keep);
    RepairResult result;
    std::string why;
    if (options.anyLayout) {
        const AnyLayoutRepairer repairer;
        LayoutFindings findings;
        result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                : repairer.repair(file, path.c_str(), !options.touch, findings);
        why = result == Unsupported ? layoutUnsupportedReason(findings) : layoutFileErrorReason(findings, file);
    } else {
        const WaveRepairer repairer;
        RepairFindings findings;
        result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                : repairer.repair(file, path.c_str(), !options.touch, findings);
        why = result == Unsupported ? unsupportedReason(findings) : fileErrorReason(findings, file);
    }
    std::printf("%s\n", outcomeLine(path, result, options.dryRun, why).c_str());
    return result;
}

}

int main(int argc, char** argv)
{
    const CommandOptions options = parseCommandOptions(argc, argv);
    switch (options.action) {
    case CommandOptions::Action::Help:
        std::fputs(usageLine, stdout);
        std::fputs(help, stdout);
        return allSound;
    case CommandOptions::Action::Version:
        std::printf("sonorix-repair %s\n", SONORIX_VERSION);
        return allSound;
    case CommandOptions::Action::UsageError:
        std::fprintf(stderr, "sonorix-repair: %s\n%sTry 'sonorix-repair --help' for more.\n",
            options.problem.c_str(), usageLine);
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

#include "AnyLayoutRepairer.h"
#include "CommandOptions.h"
#include "DonorFormat.h"
#include "HeaderReviver.h"
#include "LayoutOutcomeText.h"
#include "LostHeader.h"
#include "OutcomeText.h"
#include "PosixCreatedFile.h"
#include "PosixFileAccess.h"
#include "RevivalOutcomeText.h"
#include "SyncedReport.h"
#include "WaveRepairer.h"

#include <cstdio>

namespace {

// Exit statuses, after sysexits for the usage error.
constexpr int allSound = 0;
constexpr int someUnsupported = 1;
constexpr int someFileError = 2;
constexpr int usageError = 64;

const char usageLine[] = "Usage: sonorix-repair [--canonical | --any-layout] [--dry-run] [--touch]\n"
                         "                     [--like DONOR | --format RATE,BITS,CHANNELS[,float]]\n"
                         "                     [--output DIR] FILE...\n";

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
                    "  --like DONOR  revive files whose header is lost as recordings in the format of\n"
                    "                DONOR, a sound or repairable PCM or float WAV file of the same\n"
                    "                recorder and settings; files with a header are repaired as ever\n"
                    "  --format RATE,BITS,CHANNELS[,float]\n"
                    "                revive them as little-endian PCM (8, 16, 24 or 32 bits) or float\n"
                    "                (32 or 64 bits) instead; the audio is found from the samples,\n"
                    "                the header written before it in place when whole chunks fill the\n"
                    "                bytes there, otherwise to FILE.wav, and a file whose samples do\n"
                    "                not fit the format is refused\n"
                    "  --output DIR  write the new files of revived recordings into DIR\n"
                    "  --help        show this help\n"
                    "  --version     show the version\n"
                    "\n"
                    "Exit status: 0 every file repaired or already sound, 1 some file of an\n"
                    "unsupported format, 2 some file error, 64 usage error.\n";

std::string besidePath(const CommandOptions& options, const std::string& path) {
    if (options.output.empty())
        return path + ".wav";
    const std::string::size_type slash = path.rfind('/');
    return options.output + "/" + (slash == std::string::npos ? path : path.substr(slash + 1)) + ".wav";
}

// Revives a file the default rule found without a header, and reports it.
RepairResult revive(const CommandOptions& options, const RevivalFormat& format, const std::string& path,
    FileSystemSync& sync, SyncedReport& report) {
    PosixFileAccess file(options.dryRun ? PosixFileAccess::Mode::Inspect : PosixFileAccess::Mode::ReadWrite,
        options.keepTime ? PosixFileAccess::Time::Keep : PosixFileAccess::Time::MayChange, &sync);
    PosixCreatedFile beside;
    const std::string newPath = besidePath(options, path);
    RevivalFindings findings;
    const RepairResult result = HeaderReviver().revive(file, path.c_str(), format, beside, newPath.c_str(),
        options.dryRun, options.keepTime, findings);
    std::string line = outcomeLine(path, result, options.dryRun,
        result == Unsupported ? revivalUnsupportedReason(findings, format.samples, format.donorOffset > 0)
                              : revivalFileErrorReason(findings, file, beside, newPath));
    if (result == Repaired)
        line += " (" + revivalDetail(findings, newPath) + ")";
    dev_t device;
    if (result == Repaired && file.syncDeferred(device))
        report.addRepaired(path, line, device);
    else
        report.add(line);
    return result;
}

// Whether the default rule finds that path lost its header.
bool lostHeader(const std::string& path) {
    PosixFileAccess file(PosixFileAccess::Mode::Read);
    LayoutFindings findings;
    return AnyLayoutRepairer().inspect(file, path.c_str(), findings) == Unsupported && headerLost(findings);
}

RepairResult handle(const CommandOptions& options, const RevivalFormat* revival, const std::string& path,
    FileSystemSync& sync, SyncedReport& report) {
    if (revival != nullptr && lostHeader(path))
        return revive(options, *revival, path, sync, report);
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
    RevivalFormat format = options.stated;
    if (!options.donor.empty()) {
        PosixFileAccess donor(PosixFileAccess::Mode::Read);
        std::uint64_t size = 0;
        DonorFault fault = DonorFault::None;
        LayoutFindings findings;
        if (!donor.open(options.donor.c_str()) || !donor.getSize(size)
            || !readDonorFormat(donor, size, format, fault, findings)) {
            const std::string why = fileLayerReason(donor);
            std::fprintf(stderr, "sonorix-repair: cannot read the donor '%s' (%s)\n", options.donor.c_str(),
                why.empty() ? "a read came up short" : why.c_str());
            return someFileError;
        }
        if (fault != DonorFault::None) {
            std::fprintf(stderr, "sonorix-repair: the donor '%s' describes no recording to revive (%s)\n",
                options.donor.c_str(), donorReason(fault, findings).c_str());
            return someUnsupported;
        }
    }
    const bool reviving = !options.donor.empty() || options.formatStated;

    FileSystemSync sync;
    SyncedReport report(sync);
    bool unsupported = false;
    bool fileError = false;
    for (const std::string& path : options.files) {
        const RepairResult result = handle(options, reviving ? &format : nullptr, path, sync, report);
        unsupported = unsupported || result == Unsupported;
        fileError = fileError || result == FileError;
    }
    report.release();
    fileError = fileError || report.someUnwritten();
    if (std::fflush(stdout) != 0)
        return someFileError;
    return fileError ? someFileError : unsupported ? someUnsupported : allSound;
}

#include "Revival.h"

#include "AnyLayoutRepairer.h"
#include "Console.h"
#include "DonorFormat.h"
#include "HeaderReviver.h"
#include "LostHeader.h"
#include "PosixCreatedFile.h"
#include "PosixFileAccess.h"
#include "RevivalOutcomeText.h"

#include <cstring>

namespace {

// Where the new file of a revived recording goes: beside it, or in --output.
std::string besidePath(const CommandOptions& options, const std::string& path) {
    if (options.output.empty())
        return path + ".wav";
    const std::string::size_type slash = path.rfind('/');
    return options.output + "/" + (slash == std::string::npos ? path : path.substr(slash + 1)) + ".wav";
}

}

Revival::Revival(const CommandOptions& options)
    : options(options), format(options.stated), reviving(!options.donor.empty() || options.formatStated) {
    if (options.donor.empty())
        return;
    PosixFileAccess donor(PosixFileAccess::Mode::Read);
    std::uint64_t size = 0;
    DonorFault fault = DonorFault::None;
    LayoutFindings findings;
    if (!donor.open(options.donor.c_str()) || !donor.getSize(size)
        || !readDonorFormat(donor, size, format, fault, findings)) {
        const int error = donor.lastError();
        console::writeError("sonorix-repair: cannot read the donor '" + options.donor + "' ("
            + (error != 0 ? std::strerror(error) : "a read came up short") + ")\n");
        status = 2;
    } else if (fault != DonorFault::None) {
        console::writeError("sonorix-repair: the donor '" + options.donor + "' describes no recording to revive ("
            + donorReason(fault, findings) + ")\n");
        status = 1;
    }
}

bool Revival::reviveIfLost(const std::string& path, PlatformFiles& files, Outcome& outcome) const {
    if (!reviving)
        return false;
    LayoutFindings lost;
    if (AnyLayoutRepairer().inspect(files.inspector(), path.c_str(), lost) != Unsupported || !headerLost(lost))
        return false;
    RandomFileAccess& file = files.next();
    PosixCreatedFile beside;
    const std::string newPath = besidePath(options, path);
    RevivalFindings findings;
    outcome.path = path;
    outcome.dryRun = options.dryRun;
    outcome.result = HeaderReviver().revive(file, path.c_str(), format, beside, newPath.c_str(), options.dryRun,
        options.keepTime, findings);
    if (outcome.result == Repaired)
        outcome.why = revivalDetail(findings, newPath);
    else if (outcome.result == Unsupported)
        outcome.why = revivalUnsupportedReason(findings, format.samples, format.donorOffset > 0);
    else if (outcome.result == FileError)
        outcome.why = revivalFileErrorReason(findings, files.reason(),
            beside.lastError() != 0 ? std::strerror(beside.lastError()) : "", newPath);
    return true;
}

#include "Revival.h"

#include "AnyLayoutRepairer.h"
#include "Console.h"
#include "DonorFormat.h"
#include "HeaderReviver.h"
#include "LostHeader.h"
#include "RevivalOutcomeText.h"

Revival::Revival(const CommandOptions& options, PlatformFiles& files, Language language)
    : options(options), language(language), format(options.stated),
      reviving(!options.donor.empty() || options.formatStated) {
    if (options.donor.empty())
        return;
    RandomFileAccess& donor = files.reader();
    std::uint64_t size = 0;
    DonorFault fault = DonorFault::None;
    LayoutFindings findings;
    const bool read = donor.open(options.donor.c_str()) && donor.getSize(size)
        && readDonorFormat(donor, size, format, fault, findings);
    donor.close();
    if (!read) {
        const std::string reason = files.readerReason();
        const std::string why = reason.empty() ? say(language, Text::ReadCameUpShort) : reason;
        console::writeError("sonorix-repair: " + say(language, Text::DonorUnreadable, {options.donor, why}) + "\n");
        status = 2;
    } else if (fault != DonorFault::None) {
        console::writeError("sonorix-repair: "
            + say(language, Text::DonorDescribesNothing, {options.donor, donorReason(language, fault, findings)})
            + "\n");
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
    CreatedFile& beside = files.newFile();
    const Folders& folders = files.folders();
    const std::string newPath =
        options.output.empty() ? path + ".wav" : folders.join(options.output, folders.leaf(path) + ".wav");
    RevivalFindings findings;
    outcome.path = path;
    outcome.dryRun = options.dryRun;
    outcome.result = HeaderReviver().revive(file, path.c_str(), format, beside, newPath.c_str(), options.dryRun,
        options.keepTime, findings);
    if (outcome.result == Repaired)
        outcome.why = revivalDetail(language, findings, newPath);
    else if (outcome.result == Unsupported)
        outcome.why = revivalUnsupportedReason(language, findings, format.samples, format.donorOffset > 0);
    else if (outcome.result == FileError)
        outcome.why = revivalFileErrorReason(language, findings, files.reason(), files.newFileReason(), newPath);
    return true;
}

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
#include "UserLanguage.h"
#include "WaveRepairer.h"

namespace {

constexpr int usageError = 64;

// The default rule's verdict on a file the canonical rule refused, for the
// hint that it would be repaired without --canonical.
bool anyLayoutRepairs(PlatformFiles& files, const std::string& path) {
    LayoutFindings findings;
    return AnyLayoutRepairer().inspect(files.inspector(), path.c_str(), findings) == Repaired;
}

Outcome handle(const CommandOptions& options, Language language, const std::string& path, PlatformFiles& files,
    RandomFileAccess& file) {
    Outcome outcome;
    outcome.path = path;
    outcome.dryRun = options.dryRun;
    if (!options.canonical) {
        const AnyLayoutRepairer repairer;
        LayoutFindings findings;
        outcome.result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                        : repairer.repair(file, path.c_str(), options.keepTime, findings);
        if (outcome.result == Unsupported)
            outcome.why = layoutUnsupportedReason(language, findings);
        else if (outcome.result == FileError)
            outcome.why = layoutFileErrorReason(language, findings, files.reason());
        else if (outcome.result == Repaired)
            outcome.changes = layoutChanges(findings.plan);
        return outcome;
    }
    const WaveRepairer repairer;
    RepairFindings findings;
    outcome.result = options.dryRun ? repairer.inspect(file, path.c_str(), findings)
                                    : repairer.repair(file, path.c_str(), options.keepTime, findings);
    if (outcome.result == Unsupported) {
        outcome.why = unsupportedReason(language, findings);
        if (anyLayoutRepairs(files, path))
            outcome.why = say(language, Text::WithoutCanonical, {outcome.why});
    } else if (outcome.result == FileError) {
        outcome.why = fileErrorReason(language, findings, files.reason());
    } else if (outcome.result == Repaired) {
        outcome.changes = canonicalChanges(findings);
    }
    return outcome;
}

// A run speaks the user's language, or English throughout for --json, whose
// objects are read by scripts.
int repairAll(const CommandOptions& options, Language language) {
    PlatformFiles files(options.dryRun, options.keepTime, language);
    const Revival revival(options, files, language);
    if (revival.problem() != 0)
        return revival.problem();
    const std::deque<RepairTarget> targets = findTargets(options.files, options.recursive, files.folders(), language);
    ProgressLine progress(console::errorIsTerminal(), language, console::writeError, ProgressLine::Clock::now());
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
                : outcomeLine(language, outcome.path, outcome.result, outcome.dryRun, outcome.why) + detail;
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
            outcome = handle(options, language, target.path, files, files.next(target.regular));
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
        console::writeError("sonorix-repair: " + summary.line(language) + "\n");
    return written ? summary.exitStatus() : 2;
}

}

int runRepairCommand(const std::vector<std::string>& args) {
    const Language language = userLanguage();
    const CommandOptions options = parseCommandOptions(args, language);
    switch (options.action) {
    case CommandOptions::Action::Help:
        console::writeOut(say(language, Text::Usage) + say(language, Text::Help));
        break;
    case CommandOptions::Action::Version:
        console::writeOut(std::string("sonorix-repair ") + SONORIX_REPAIR_VERSION + "\n");
        break;
    case CommandOptions::Action::UsageError:
        console::writeError("sonorix-repair: " + options.problem + "\n" + say(language, Text::Usage)
            + say(language, Text::TryHelp) + "\n");
        return usageError;
    case CommandOptions::Action::Repair:
    case CommandOptions::Action::Recover: {
        const Language spoken = options.json ? Language::English : language;
        const bool repair = options.action == CommandOptions::Action::Repair;
        const int status = repair ? repairAll(options, spoken) : runRecovery(options, spoken);
        console::waitIfOwnConsole(spoken);
        return status;
    }
    }
    return console::finishOut() ? 0 : 2;
}

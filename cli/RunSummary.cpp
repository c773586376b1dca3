#include "RunSummary.h"

#include "OutcomeText.h"

std::size_t RunSummary::files() const {
    return counts[Repaired] + counts[AlreadyValid] + counts[Unsupported] + counts[FileError];
}

std::string RunSummary::line() const {
    const std::size_t total = files();
    std::string text = std::to_string(total) + (total == 1 ? " file:" : " files:");
    const char* separator = " ";
    for (RepairResult result : {Repaired, AlreadyValid, Unsupported, FileError}) {
        if (counts[result] == 0)
            continue;
        text += separator + std::to_string(counts[result]) + " " + outcomeWord(result, dryRun);
        separator = ", ";
    }
    return text;
}

int RunSummary::exitStatus() const {
    return counts[FileError] > 0 ? 2 : counts[Unsupported] > 0 ? 1 : 0;
}

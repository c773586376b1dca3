#include "RunSummary.h"

#include <utility>

std::size_t RunSummary::files() const {
    return counts[Repaired] + counts[AlreadyValid] + counts[Unsupported] + counts[FileError];
}

std::string RunSummary::line(Language language) const {
    const std::size_t total = files();
    std::string text =
        say(language, total == 1 ? Text::SummaryOneFile : Text::SummaryFiles, {std::to_string(total)}) + " ";
    const std::pair<RepairResult, Text> parts[] = {{Repaired,
                                                       dryRun ? Text::SummaryWouldBeRepaired : Text::SummaryRepaired},
        {AlreadyValid, Text::SummaryAlreadySound}, {Unsupported, Text::SummaryUnsupported},
        {FileError, Text::SummaryFileError}};
    bool first = true;
    for (const auto& part : parts) {
        if (counts[part.first] == 0)
            continue;
        text += (first ? "" : say(language, Text::SummarySeparator))
            + say(language, part.second, {std::to_string(counts[part.first])});
        first = false;
    }
    return text;
}

int RunSummary::exitStatus() const {
    return counts[FileError] > 0 ? 2 : counts[Unsupported] > 0 ? 1 : 0;
}

#pragma once

#include "Catalog.h"
#include "CommandOptions.h"
#include "Outcome.h"
#include "PlatformFiles.h"

#include <string>

// The revival of recordings that lost their header (--like, --format) over
// the file layers of the platform, in language.
class Revival {
public:
    // Takes the format the options give: the donor's, read now through the
    // reader of files, or the stated one.
    Revival(const CommandOptions& options, PlatformFiles& files, Language language);

    // 0 when the run can go on; otherwise the exit status, and why has been
    // said on standard error.
    int problem() const { return status; }

    // When the options ask for revival and the default rule finds that path
    // lost its header, revives it over the next file layer of files (and its
    // next new file, beside the recording or in --output) and fills outcome;
    // false otherwise, and the file is left to the rule.
    bool reviveIfLost(const std::string& path, PlatformFiles& files, Outcome& outcome) const;

    // The format lost headers are revived in; null when the options ask for
    // no revival.
    const RevivalFormat* lostHeaders() const { return reviving ? &format : nullptr; }

private:
    const CommandOptions& options;
    Language language;
    RevivalFormat format;
    bool reviving = false;
    int status = 0;
};

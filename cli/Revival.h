#pragma once

#include "CommandOptions.h"
#include "Outcome.h"
#include "PlatformFiles.h"

#include <string>

// The revival of recordings that lost their header (--like, --format), defined
// by one source file per platform: where a platform cannot revive, asking for
// it is refused before any file.
class Revival {
public:
    // Takes the format the options give: the donor's, read now, or the
    // stated one.
    explicit Revival(const CommandOptions& options);

    // 0 when the run can go on; otherwise the exit status, and why has been
    // said on standard error.
    int problem() const { return status; }

    // When the options ask for revival and the default rule finds that path
    // lost its header, revives it over the next file layer of files and
    // fills outcome; false otherwise, and the file is left to the rule.
    bool reviveIfLost(const std::string& path, PlatformFiles& files, Outcome& outcome) const;

    // The format lost headers are revived in; null when the options ask for
    // no revival.
    const RevivalFormat* lostHeaders() const { return reviving ? &format : nullptr; }

private:
    const CommandOptions& options;
    RevivalFormat format;
    bool reviving = false;
    int status = 0;
};

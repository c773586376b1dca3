#include "Revival.h"

#include "Console.h"

// Windows has no file layer for the new files of revived recordings yet.
Revival::Revival(const CommandOptions& options) : options(options) {
    if (options.donor.empty() && !options.formatStated)
        return;
    console::writeError("sonorix-repair: --like and --format are not available on Windows\n");
    status = 64;
}

bool Revival::reviveIfLost(const std::string&, PlatformFiles&, Outcome&) const {
    return false;
}

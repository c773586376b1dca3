#pragma once

#include "Folders.h"
#include "RandomFileAccess.h"
#include "SyncedReport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The file layer of this platform for one run of sonorix-repair, defined by
// one source file per platform: it opens each file as the run asks, explains
// its refusals, and may leave the final flush of repaired files to one sync
// of many.
class PlatformFiles {
public:
    PlatformFiles(bool dryRun, bool keepTime);
    PlatformFiles(const PlatformFiles&) = delete;
    PlatformFiles& operator=(const PlatformFiles&) = delete;
    ~PlatformFiles();

    // The file layer for the next file, valid until the next call: it opens
    // for reading only in a dry run, and reads each end of the file once
    // (CachedReads). regular: a folder's listing said the file is a regular
    // file, which the layer may take on trust.
    RandomFileAccess& next(bool regular = false);
    // A file layer that opens for reading only, for a second look at a file.
    RandomFileAccess& inspector();
    // Why the layer of next failed, in the system's words where it gave any;
    // empty when it reported nothing.
    std::string reason() const;
    // Whether that layer's last close left its writes to a later sync, and
    // to which group's.
    bool deferred(std::uint64_t& group) const;
    // Syncs every group with deferred writes; those that failed.
    std::vector<SyncFailure> syncDeferred();
    Folders& folders();

private:
    struct State;
    std::unique_ptr<State> state;
};

#pragma once

#include "Catalog.h"
#include "CreatedFile.h"
#include "Folders.h"
#include "RandomFileAccess.h"
#include "SyncedReport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The file layer of this platform for one run of sonorix-repair, defined by
// one source file per platform: it opens each file as the run asks, explains
// its refusals in language, and may leave the final flush of repaired files
// to one sync of many.
class PlatformFiles {
public:
    PlatformFiles(bool dryRun, bool keepTime, Language language);
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
    // A file layer that reads alone and refuses only what is not a regular
    // file, for a file that is never written (the donor of --like), and why
    // it failed, as reason says.
    RandomFileAccess& reader();
    std::string readerReason() const;
    // The new-file layer for the next revived recording, valid until the
    // next call, and the system's reason for its last failure (empty when
    // none).
    CreatedFile& newFile();
    std::string newFileReason() const;
    // Whether that layer's last close left its writes to a later sync, and
    // to which group's.
    bool deferred(std::uint64_t& group) const;
    // Syncs every group with deferred writes; those that failed, with the
    // reason their files' lines give.
    std::vector<SyncFailure> syncDeferred();
    Folders& folders();
    const Folders& folders() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

#include "PlatformFiles.h"

#include "CachedReads.h"

#include "FileSystemSync.h"
#include "PosixFileAccess.h"
#include "PosixFolders.h"

#include <cstring>

struct PlatformFiles::State {
    State(PosixFileAccess::Mode mode, PosixFileAccess::Time time)
        : current(mode, time, &sync), cached(current), second(PosixFileAccess::Mode::Inspect, time) {}

    // One sync per file system for a batch of repairs, instead of a flush per
    // file; it outlives the layers that leave their writes to it.
    FileSystemSync sync;
    // The same layers for every file of the run, so that what holds for the
    // whole run is asked of the system once.
    PosixFileAccess current;
    CachedReads cached;
    PosixFileAccess second;
    PosixFolders folders;
};

PlatformFiles::PlatformFiles(bool dryRun, bool keepTime)
    : state(new State(dryRun ? PosixFileAccess::Mode::Inspect : PosixFileAccess::Mode::ReadWrite,
        keepTime ? PosixFileAccess::Time::Keep : PosixFileAccess::Time::MayChange)) {}

PlatformFiles::~PlatformFiles() = default;

RandomFileAccess& PlatformFiles::next(bool regular) {
    state->current.trustListing(regular);
    return state->cached;
}

RandomFileAccess& PlatformFiles::inspector() {
    return state->second;
}

std::string PlatformFiles::reason() const {
    const PosixFileAccess& file = state->current;
    switch (file.refusal()) {
    case PosixFileAccess::Refusal::NotRegularFile:
        return "not a regular file";
    case PosixFileAccess::Refusal::ReadOnly:
        return "read-only";
    case PosixFileAccess::Refusal::Locked:
        return "locked by another process";
    case PosixFileAccess::Refusal::InUse:
        return "in use by another process";
    case PosixFileAccess::Refusal::AppendOnly:
        return "append-only";
    case PosixFileAccess::Refusal::Immutable:
        return "immutable";
    case PosixFileAccess::Refusal::Replaced:
        return "replaced while it was opened";
    case PosixFileAccess::Refusal::NotOwner:
        return "not the owner, so the modification time cannot be kept (--touch lets it change)";
    case PosixFileAccess::Refusal::None:
        break;
    }
    return file.lastError() != 0 ? std::strerror(file.lastError()) : "";
}

bool PlatformFiles::deferred(std::uint64_t& group) const {
    dev_t device = 0;
    if (!state->current.syncDeferred(device))
        return false;
    group = static_cast<std::uint64_t>(device);
    return true;
}

std::vector<SyncFailure> PlatformFiles::syncDeferred() {
    std::vector<SyncFailure> failures;
    for (const FileSystemSync::Failure& failure : state->sync.syncDeferred())
        failures.push_back({static_cast<std::uint64_t>(failure.device), std::strerror(failure.error)});
    return failures;
}

Folders& PlatformFiles::folders() {
    return state->folders;
}

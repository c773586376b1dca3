#include "PlatformFiles.h"

#include "CachedReads.h"

#include "Win32ErrorText.h"
#include "Win32Folders.h"
#include "Win32RandomFileAccess.h"

// Windows has no sync of a whole file system: each repaired file is flushed
// by itself before it is closed, and nothing is ever deferred.
struct PlatformFiles::State {
    Win32RandomFileAccess::Mode mode;
    std::unique_ptr<Win32RandomFileAccess> current;
    std::unique_ptr<CachedReads> cached;
    std::unique_ptr<Win32RandomFileAccess> second;
    Win32Folders folders;
};

PlatformFiles::PlatformFiles(bool dryRun, bool)
    : state(new State{dryRun ? Win32RandomFileAccess::Mode::Inspect : Win32RandomFileAccess::Mode::ReadWrite, {}, {},
        {}, {}}) {}

PlatformFiles::~PlatformFiles() = default;

// Windows opens every file alike, whatever the listing said.
RandomFileAccess& PlatformFiles::next(bool) {
    state->current.reset(new Win32RandomFileAccess(state->mode));
    state->cached.reset(new CachedReads(*state->current));
    return *state->cached;
}

RandomFileAccess& PlatformFiles::inspector() {
    state->second.reset(new Win32RandomFileAccess(Win32RandomFileAccess::Mode::Inspect));
    return *state->second;
}

std::string PlatformFiles::reason() const {
    const Win32RandomFileAccess& file = *state->current;
    switch (file.refusal()) {
    case Win32RandomFileAccess::Refusal::NotRegularFile:
        return "not a regular file";
    case Win32RandomFileAccess::Refusal::ReadOnly:
        return "read-only";
    case Win32RandomFileAccess::Refusal::Locked:
        return "locked by another process";
    case Win32RandomFileAccess::Refusal::None:
        break;
    }
    return file.lastError() != 0 ? errorText(file.lastError()) : "";
}

bool PlatformFiles::deferred(std::uint64_t&) const {
    return false;
}

std::vector<SyncFailure> PlatformFiles::syncDeferred() {
    return {};
}

Folders& PlatformFiles::folders() {
    return state->folders;
}

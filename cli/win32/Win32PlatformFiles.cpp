#include "PlatformFiles.h"

#include "CachedReads.h"

#include "Win32CreatedFile.h"
#include "Win32ErrorText.h"
#include "Win32Folders.h"
#include "Win32RandomFileAccess.h"

// Windows has no sync of a whole file system: each repaired file is flushed
// by itself before it is closed, and nothing is ever deferred.
struct PlatformFiles::State {
    State(Win32RandomFileAccess::Mode mode, Language language) : mode(mode), language(language), folders(language) {}

    Win32RandomFileAccess::Mode mode;
    Language language;
    std::unique_ptr<Win32RandomFileAccess> current;
    std::unique_ptr<CachedReads> cached;
    std::unique_ptr<Win32RandomFileAccess> second;
    Win32Folders folders;
    Win32RandomFileAccess donor{Win32RandomFileAccess::Mode::Read};
    std::unique_ptr<Win32CreatedFile> created;
};

namespace {

std::string describe(const Win32RandomFileAccess& file, Language language) {
    switch (file.refusal()) {
    case Win32RandomFileAccess::Refusal::NotRegularFile:
        return say(language, Text::NotRegularFile);
    case Win32RandomFileAccess::Refusal::ReadOnly:
        return say(language, Text::ReadOnly);
    case Win32RandomFileAccess::Refusal::Locked:
        return say(language, Text::Locked);
    case Win32RandomFileAccess::Refusal::None:
        break;
    }
    return file.lastError() != 0 ? errorText(file.lastError(), language) : "";
}

}

PlatformFiles::PlatformFiles(bool dryRun, bool, Language language)
    : state(
        new State(dryRun ? Win32RandomFileAccess::Mode::Inspect : Win32RandomFileAccess::Mode::ReadWrite, language)) {}

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
    return describe(*state->current, state->language);
}

RandomFileAccess& PlatformFiles::reader() {
    return state->donor;
}

std::string PlatformFiles::readerReason() const {
    return describe(state->donor, state->language);
}

CreatedFile& PlatformFiles::newFile() {
    state->created.reset(new Win32CreatedFile);
    return *state->created;
}

std::string PlatformFiles::newFileReason() const {
    const DWORD error = state->created ? state->created->lastError() : 0;
    return error != 0 ? errorText(error, state->language) : "";
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

const Folders& PlatformFiles::folders() const {
    return state->folders;
}

#include "PlatformFiles.h"

#include "CachedReads.h"

#include "ErrnoText.h"
#include "FileSystemSync.h"
#include "PosixCreatedFile.h"
#include "PosixFileAccess.h"
#include "PosixFolders.h"

struct PlatformFiles::State {
    State(PosixFileAccess::Mode mode, PosixFileAccess::Time time, Language language)
        : language(language), current(mode, time, &sync), cached(current), second(PosixFileAccess::Mode::Inspect, time),
          donor(PosixFileAccess::Mode::Read), folders(language) {}

    Language language;

    // One sync per file system for a batch of repairs, instead of a flush per
    // file; it outlives the layers that leave their writes to it.
    FileSystemSync sync;
    // The same layers for every file of the run, so that what holds for the
    // whole run is asked of the system once.
    PosixFileAccess current;
    CachedReads cached;
    PosixFileAccess second;
    PosixFileAccess donor;
    std::unique_ptr<PosixCreatedFile> created;
    PosixFolders folders;
};

namespace {

std::string describe(const PosixFileAccess& file, Language language) {
    switch (file.refusal()) {
    case PosixFileAccess::Refusal::NotRegularFile:
        return say(language, Text::NotRegularFile);
    case PosixFileAccess::Refusal::ReadOnly:
        return say(language, Text::ReadOnly);
    case PosixFileAccess::Refusal::Locked:
        return say(language, Text::Locked);
    case PosixFileAccess::Refusal::InUse:
        return say(language, Text::InUse);
    case PosixFileAccess::Refusal::AppendOnly:
        return say(language, Text::AppendOnly);
    case PosixFileAccess::Refusal::Immutable:
        return say(language, Text::Immutable);
    case PosixFileAccess::Refusal::Replaced:
        return say(language, Text::Replaced);
    case PosixFileAccess::Refusal::NotOwner:
        return say(language, Text::NotOwner);
    case PosixFileAccess::Refusal::None:
        break;
    }
    return file.lastError() != 0 ? errnoText(file.lastError(), language) : "";
}

}

PlatformFiles::PlatformFiles(bool dryRun, bool keepTime, Language language)
    : state(new State(dryRun ? PosixFileAccess::Mode::Inspect : PosixFileAccess::Mode::ReadWrite,
        keepTime ? PosixFileAccess::Time::Keep : PosixFileAccess::Time::MayChange, language)) {}

PlatformFiles::~PlatformFiles() = default;

RandomFileAccess& PlatformFiles::next(bool regular) {
    state->current.trustListing(regular);
    return state->cached;
}

RandomFileAccess& PlatformFiles::inspector() {
    return state->second;
}

std::string PlatformFiles::reason() const {
    return describe(state->current, state->language);
}

RandomFileAccess& PlatformFiles::reader() {
    return state->donor;
}

std::string PlatformFiles::readerReason() const {
    return describe(state->donor, state->language);
}

CreatedFile& PlatformFiles::newFile() {
    state->created.reset(new PosixCreatedFile);
    return *state->created;
}

std::string PlatformFiles::newFileReason() const {
    const int error = state->created ? state->created->lastError() : 0;
    return error != 0 ? errnoText(error, state->language) : "";
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
        failures.push_back({static_cast<std::uint64_t>(failure.device),
            say(state->language, Text::NotOnDisk, {errnoText(failure.error, state->language)})});
    return failures;
}

Folders& PlatformFiles::folders() {
    return state->folders;
}

const Folders& PlatformFiles::folders() const {
    return state->folders;
}

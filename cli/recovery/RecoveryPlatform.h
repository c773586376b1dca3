#pragma once

#include "ByteSource.h"
#include "Catalog.h"
#include "NewFiles.h"

#include <atomic>
#include <memory>
#include <string>

// The source of sonorix-repair --recover and the new files it makes, defined
// by one source file per platform; it explains its refusals in language.
class RecoveryPlatform {
public:
    explicit RecoveryPlatform(Language language);
    RecoveryPlatform(const RecoveryPlatform&) = delete;
    RecoveryPlatform& operator=(const RecoveryPlatform&) = delete;
    ~RecoveryPlatform();

    // Opens the card, disk or image at path for reading alone; false with why,
    // in the system's words where it gave any.
    bool open(const std::string& path, std::string& why);
    ByteSource& source();
    // Whether folder may take the new files: never on the source (the device
    // itself or a partition of it, or the image: onSource); created when
    // missing, unless dryRun. False, with why in the system's words otherwise.
    bool admitOutput(const std::string& folder, bool dryRun, bool& onSource, std::string& why);
    NewFiles& newFiles();
    // What joins a file's name to its folder.
    char separator() const;
    // The system's words for the code of a read that failed.
    std::string failureText(int code) const;
    // From now on, Ctrl+C, SIGTERM (Ctrl+Break, the console closed on
    // Windows) set interruption() rather than end the program, so that it
    // can remove what it has not finished; a second one ends it at once.
    void catchInterruptions();
    const std::atomic<bool>& interruption() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

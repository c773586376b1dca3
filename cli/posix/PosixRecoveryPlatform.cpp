#include "RecoveryPlatform.h"

#include "ErrnoText.h"
#include "PosixByteSource.h"
#include "PosixCreatedFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::atomic<bool> interrupted(false);
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set in a signal handler");

void interrupt(int) {
    interrupted.store(true);
}

class PosixNewFiles : public NewFiles {
public:
    explicit PosixNewFiles(Language language) : language(language) {}

    std::unique_ptr<CreatedFile> make() override { return std::make_unique<PosixCreatedFile>(); }
    std::string reason(const CreatedFile& file) const override {
        const int error = static_cast<const PosixCreatedFile&>(file).lastError();
        return error != 0 ? errnoText(error, language) : say(language, Text::ShortTransfer);
    }
    bool nameTaken(const CreatedFile& file) const override {
        return static_cast<const PosixCreatedFile&>(file).lastError() == EEXIST;
    }

private:
    Language language;
};

// The device number of the whole disk a partition's device number belongs
// to, as /sys/dev/block tells it (a partition's folder lies in its disk's);
// the number itself for a disk, or where the system does not tell.
dev_t wholeDisk(dev_t device) {
    const std::string link = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    struct stat partition;
    char resolved[PATH_MAX];
    if (stat((link + "/partition").c_str(), &partition) != 0 || realpath(link.c_str(), resolved) == nullptr)
        return device;
    std::string path = resolved;
    path = path.substr(0, path.rfind('/'));
    unsigned long high = 0, low = 0;
    std::ifstream numbers(path + "/dev");
    char colon = 0;
    if (!(numbers >> high >> colon >> low) || colon != ':')
        return device;
    return makedev(high, low);
}

// The folder, or where it is missing, the nearest folder above it that
// exists.
bool statNearest(std::string folder, struct stat& status) {
    while (stat(folder.c_str(), &status) != 0) {
        if (errno != ENOENT)
            return false;
        const std::string::size_type slash = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
        folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    }
    return true;
}

// Makes folder and the folders above it that are missing.
bool makeFolders(const std::string& folder) {
    if (mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST)
        return true;
    const std::string::size_type slash = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    if (errno != ENOENT || slash == std::string::npos || slash == 0)
        return false;
    return makeFolders(folder.substr(0, slash)) && (mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST);
}

}

struct RecoveryPlatform::State {
    explicit State(Language language) : files(language), language(language) {}

    PosixByteSource source;
    PosixNewFiles files;
    Language language;
    std::string path;
};

RecoveryPlatform::RecoveryPlatform(Language language) : state(new State(language)) {}

RecoveryPlatform::~RecoveryPlatform() = default;

bool RecoveryPlatform::open(const std::string& path, std::string& why) {
    state->path = path;
    if (state->source.open(path.c_str()))
        return true;
    why = state->source.notImageOrDevice() ? say(state->language, Text::NotImageOrDevice)
                                           : errnoText(state->source.lastError(), state->language);
    return false;
}

ByteSource& RecoveryPlatform::source() {
    return state->source;
}

bool RecoveryPlatform::admitOutput(const std::string& folder, bool dryRun, bool& onSource, std::string& why) {
    struct stat source;
    struct stat output;
    const Language language = state->language;
    if (stat(state->path.c_str(), &source) != 0) {
        why = errnoText(errno, language);
        return false;
    }
    const bool exists = stat(folder.c_str(), &output) == 0;
    onSource = exists && !state->source.isDevice() && output.st_dev == source.st_dev && output.st_ino == source.st_ino;
    if (onSource)
        return false;
    if (exists && !S_ISDIR(output.st_mode)) {
        why = say(language, Text::NotAFolderNamed, {folder});
        return false;
    }
    // A folder yet to be made lands on the file system of the one above it.
    if (!statNearest(folder, output)) {
        why = say(language, Text::NamedReason, {folder, errnoText(errno, language)});
        return false;
    }
    onSource =
        state->source.isDevice() && (output.st_dev == source.st_rdev || wholeDisk(output.st_dev) == source.st_rdev);
    if (onSource)
        return false;
    if (!dryRun && !makeFolders(folder)) {
        why = say(language, Text::NamedReason, {folder, errnoText(errno, language)});
        return false;
    }
    return true;
}

NewFiles& RecoveryPlatform::newFiles() {
    return state->files;
}

char RecoveryPlatform::separator() const {
    return '/';
}

std::string RecoveryPlatform::failureText(int code) const {
    return code == 0 ? say(state->language, Text::SourceEnded) : errnoText(code, state->language);
}

void RecoveryPlatform::catchInterruptions() {
    struct sigaction action = {};
    action.sa_handler = interrupt;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on where the signal found them; the second signal
    // takes its default course.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

const std::atomic<bool>& RecoveryPlatform::interruption() const {
    return interrupted;
}

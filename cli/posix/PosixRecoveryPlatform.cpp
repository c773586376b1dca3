#include "RecoveryPlatform.h"

#include "PosixByteSource.h"
#include "PosixCreatedFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

class PosixNewFiles : public NewFiles {
public:
    std::unique_ptr<CreatedFile> make() override { return std::make_unique<PosixCreatedFile>(); }
    std::string reason(const CreatedFile& file) const override {
        const int error = static_cast<const PosixCreatedFile&>(file).lastError();
        return error != 0 ? std::strerror(error) : "a write came up short";
    }
    bool nameTaken(const CreatedFile& file) const override {
        return static_cast<const PosixCreatedFile&>(file).lastError() == EEXIST;
    }
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
    PosixByteSource source;
    PosixNewFiles files;
    std::string path;
};

RecoveryPlatform::RecoveryPlatform() : state(new State) {}

RecoveryPlatform::~RecoveryPlatform() = default;

bool RecoveryPlatform::open(const std::string& path, std::string& why) {
    state->path = path;
    if (state->source.open(path.c_str()))
        return true;
    why = state->source.notImageOrDevice() ? "neither an image file nor a block device"
                                           : std::strerror(state->source.lastError());
    return false;
}

ByteSource& RecoveryPlatform::source() {
    return state->source;
}

bool RecoveryPlatform::admitOutput(const std::string& folder, bool dryRun, bool& onSource, std::string& why) {
    struct stat source;
    struct stat output;
    if (stat(state->path.c_str(), &source) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!dryRun && !makeFolders(folder)) {
        why = folder + ": " + std::strerror(errno);
        return false;
    }
    if (!statNearest(folder, output)) {
        why = folder + ": " + std::strerror(errno);
        return false;
    }
    if (stat(folder.c_str(), &output) == 0 && !S_ISDIR(output.st_mode)) {
        why = folder + ": not a folder";
        return false;
    }
    const bool onDevice =
        state->source.isDevice() && (output.st_dev == source.st_rdev || wholeDisk(output.st_dev) == source.st_rdev);
    const bool isImage = !state->source.isDevice() && output.st_dev == source.st_dev && output.st_ino == source.st_ino;
    onSource = onDevice || isImage;
    return !onSource;
}

NewFiles& RecoveryPlatform::newFiles() {
    return state->files;
}

char RecoveryPlatform::separator() const {
    return '/';
}

std::string RecoveryPlatform::errorText(int code) const {
    return code == 0 ? "the source ended" : std::strerror(code);
}

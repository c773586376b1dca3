#include "FileSystemSync.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

FileSystemSync::FileSystemSync()
#ifdef __linux__
    : call(::syncfs)
#else
    : call(nullptr)
#endif
{
}

FileSystemSync::~FileSystemSync() {
    for (const Watched& each : watched)
        ::close(each.fd);
}

bool FileSystemSync::watch(const char* path, dev_t device) {
    if (call == nullptr)
        return false;
    for (const Watched& each : watched) {
        if (each.device == device)
            return true;
    }
    const std::string name = path;
    const std::string::size_type slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A file mounted over another name is on a device of its own.
    struct stat status;
    if (fstat(fd, &status) != 0 || status.st_dev != device) {
        ::close(fd);
        return false;
    }
    watched.push_back({device, fd, false});
    return true;
}

void FileSystemSync::defer(dev_t device) {
    for (Watched& each : watched) {
        if (each.device == device)
            each.deferred = true;
    }
}

std::vector<FileSystemSync::Failure> FileSystemSync::syncDeferred() {
    std::vector<Failure> failures;
    for (Watched& each : watched) {
        if (each.deferred && call(each.fd) != 0)
            failures.push_back({each.device, errno});
        each.deferred = false;
    }
    return failures;
}

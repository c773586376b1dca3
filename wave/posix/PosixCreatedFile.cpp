#include "PosixCreatedFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int flushRetrying(int fd) {
    int result;
    do
        result = fsync(fd);
    while (result != 0 && errno == EINTR);
    return result;
}

std::string folderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}

PosixCreatedFile::~PosixCreatedFile() {
    if (fd >= 0)
        ::close(fd);
}

bool PosixCreatedFile::fail(int code) {
    error = code;
    return false;
}

bool PosixCreatedFile::vacant(const char* path) {
    struct stat status;
    if (lstat(path, &status) == 0)
        return fail(EEXIST);
    return errno == ENOENT || fail(errno);
}

bool PosixCreatedFile::create(const char* path) {
    error = 0;
    do
        fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fail(errno);
    name = path;
    return true;
}

bool PosixCreatedFile::append(const unsigned char* bytes, std::uint32_t count) {
    if (!writeAt(appended, bytes, count))
        return false;
    appended += count;
    return true;
}

bool PosixCreatedFile::writeAt(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t moved = ::pwrite(fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            return fail(moved < 0 ? errno : EIO);
        done += static_cast<std::uint32_t>(moved);
    }
    return true;
}

bool PosixCreatedFile::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            break;
        done += static_cast<std::uint32_t>(got);
    }
    return true;
}

bool PosixCreatedFile::resize(std::uint64_t size) {
    int result;
    do
        result = ::ftruncate(fd, static_cast<off_t>(size));
    while (result != 0 && errno == EINTR);
    return result == 0 || fail(errno);
}

bool PosixCreatedFile::finish() {
    if (flushRetrying(fd) != 0)
        return fail(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(errno);
    return flushFolder();
}

bool PosixCreatedFile::flushFolder() {
    const int folder = ::open(folderOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return fail(errno);
    const bool flushed = flushRetrying(folder) == 0 || errno == EINVAL;
    const int code = errno;
    ::close(folder);
    return flushed || fail(code);
}

bool PosixCreatedFile::rename(const char* path) {
    error = 0;
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, path, RENAME_NOREPLACE) == 0) {
        name = path;
        return flushFolder();
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return fail(errno);
#endif
    if (::link(name.c_str(), path) == 0) {
        unlink(name.c_str());
        name = path;
        return flushFolder();
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS)
        return fail(errno);
    if (!vacant(path))
        return false;
    if (::rename(name.c_str(), path) != 0)
        return fail(errno);
    name = path;
    return flushFolder();
}

void PosixCreatedFile::abandon() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    if (!name.empty())
        unlink(name.c_str());
    name.clear();
}

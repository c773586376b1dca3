#include "PosixFileAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

PosixFileAccess::~PosixFileAccess()
{
    close();
}

bool PosixFileAccess::fail(int code, Refusal why)
{
    error = code;
    refused = why;
    return false;
}

namespace {

int openRetrying(const char* path, int flags)
{
    int fd;
    do
        fd = ::open(path, flags);
    while (fd < 0 && errno == EINTR);
    return fd;
}

}

bool PosixFileAccess::open(const char* path)
{
    close();
    error = 0;
    refused = Refusal::None;
    const bool inspect = mode == Mode::Inspect;
    // Non-blocking only for the open itself, so a FIFO cannot stall it.
    const int flags = (inspect ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // Reading the header should not count as an access; only the owner may
    // ask for that.
#ifdef O_NOATIME
    fd = openRetrying(path, flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
#endif
        fd = openRetrying(path, flags);
    if (fd < 0)
        return fail(errno);

    if (admit(path) && lock() && clearNonBlocking())
        return true;
    close();
    return false;
}

bool PosixFileAccess::admit(const char* path)
{
    struct stat status;
    if (fstat(fd, &status) != 0)
        return fail(errno);
    if (S_ISDIR(status.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(status.st_mode))
        return fail(EINVAL, Refusal::NotRegularFile);
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return fail(EACCES, Refusal::ReadOnly);
    if (mode == Mode::Inspect && faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0)
        return fail(errno);
    return true;
}

bool PosixFileAccess::clearNonBlocking()
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(errno);
    return true;
}

bool PosixFileAccess::lock()
{
    const bool inspect = mode == Mode::Inspect;
    int result;
    do
        result = flock(fd, (inspect ? LOCK_SH : LOCK_EX) | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return fail(errno, Refusal::Locked);

    // flock and fcntl locks do not see each other; holding both keeps out
    // cooperating programs of either kind.
    struct flock range = {};
    range.l_type = inspect ? F_RDLCK : F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 0;
    do
        result = fcntl(fd, F_SETLK, &range);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return fail(errno, Refusal::Locked);
    return true;
}

bool PosixFileAccess::isOpen() const
{
    return fd >= 0;
}

bool PosixFileAccess::getLastWriteTime(FileTime& time)
{
    struct stat status;
    if (fstat(fd, &status) != 0)
        return fail(errno);
#ifdef __APPLE__
    const timespec& modified = status.st_mtimespec;
#else
    const timespec& modified = status.st_mtim;
#endif
    time.seconds = modified.tv_sec;
    time.nanoseconds = modified.tv_nsec;
    return true;
}

bool PosixFileAccess::getSize(std::uint64_t& size)
{
    struct stat status;
    if (fstat(fd, &status) != 0)
        return fail(errno);
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool PosixFileAccess::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done)
{
    done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, buffer + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (got == 0)
            break;
        done += static_cast<std::uint32_t>(got);
    }
    return true;
}

bool PosixFileAccess::seek(std::uint32_t offset)
{
    if (lseek(fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset))
        return fail(errno);
    return true;
}

bool PosixFileAccess::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done)
{
    done = 0;
    while (done < count) {
        const ssize_t put = ::write(fd, buffer + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (put == 0)
            break;
        done += static_cast<std::uint32_t>(put);
    }
    return true;
}

bool PosixFileAccess::setLastWriteTime(const FileTime& time)
{
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(time.seconds);
    times[1].tv_nsec = static_cast<long>(time.nanoseconds);
    if (futimens(fd, times) != 0)
        return fail(errno);
    return true;
}

void PosixFileAccess::close()
{
    if (fd < 0)
        return;
    // Closing releases both locks. Its result cannot be acted on, and Linux
    // must not see a close retried after EINTR.
    ::close(fd);
    fd = -1;
}

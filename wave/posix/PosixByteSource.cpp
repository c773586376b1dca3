#include "PosixByteSource.h"

#include "OpenUnread.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#endif

namespace {

bool admitted(const struct stat& status) {
    return S_ISREG(status.st_mode) || S_ISBLK(status.st_mode);
}

// A block device's status gives no size; the device itself does.
bool deviceSize(int fd, std::uint64_t& size) {
#ifdef BLKGETSIZE64
    if (ioctl(fd, BLKGETSIZE64, &size) == 0)
        return true;
#endif
    const off_t end = lseek(fd, 0, SEEK_END);
    if (end < 0)
        return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

// Reads count bytes at offset from fd, continuing partial reads; false on an
// error, with error its code.
bool readAll(int fd, std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done,
    int& error) {
    done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<std::uint32_t>(got);
    }
    return true;
}

}

PosixByteSource::~PosixByteSource() {
    close();
}

bool PosixByteSource::fail(int code) {
    error = code;
    close();
    return false;
}

bool PosixByteSource::open(const char* path) {
    close();
    error = 0;
    refused = false;
    struct stat named;
    if (stat(path, &named) != 0)
        return fail(errno);
    if (S_ISDIR(named.st_mode))
        return fail(EISDIR);
    if (!admitted(named)) {
        refused = true;
        return fail(EINVAL);
    }
    // Non-blocking for the open alone, so that a FIFO put in the file's place
    // since the look cannot stall it.
    fd = openUnread(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return fail(errno);
    struct stat opened;
    if (fstat(fd, &opened) != 0)
        return fail(errno);
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino || !admitted(opened)) {
        refused = !admitted(opened);
        return fail(refused ? EINVAL : EAGAIN);
    }
    const int status = fcntl(fd, F_GETFL);
    if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
        return fail(errno);

    device = S_ISBLK(opened.st_mode);
    bytes = static_cast<std::uint64_t>(opened.st_size);
    if (device && !deviceSize(fd, bytes))
        return fail(errno);
    openDirect(path, opened);
#ifdef POSIX_FADV_SEQUENTIAL
    // A scan reads front to back; the hint lets the kernel read further ahead.
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return true;
}

void PosixByteSource::openDirect(const char* path, const struct stat& opened) {
    sector = 512;
#ifdef BLKSSZGET
    int logical = 0;
    if (device && ioctl(fd, BLKSSZGET, &logical) == 0 && logical >= 512 && logical <= 65536
        && (logical & (logical - 1)) == 0)
        sector = static_cast<std::uint32_t>(logical);
#endif
#ifdef O_DIRECT
    directFd = openUnread(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_DIRECT);
    struct stat again;
    const int status = directFd >= 0 ? fcntl(directFd, F_GETFL) : -1;
    if (directFd >= 0
        && (fstat(directFd, &again) != 0 || again.st_dev != opened.st_dev || again.st_ino != opened.st_ino || status < 0
            || fcntl(directFd, F_SETFL, status & ~O_NONBLOCK) != 0)) {
        ::close(directFd);
        directFd = -1;
    }
    if (directFd < 0)
        return;
    blocks = std::make_unique<BlockReads>(direct, sector);
    // An image's file system may take no reads of single sectors past the
    // cache (or none at all); then reads go through the cache.
    unsigned char probe[512];
    std::uint32_t done = 0;
    const int kept = error;
    if (bytes >= sector && !blocks->readAt(0, probe, sizeof probe, done) && error == EINVAL) {
        blocks.reset();
        ::close(directFd);
        directFd = -1;
    }
    error = kept;
#else
    static_cast<void>(path);
    static_cast<void>(opened);
#endif
}

void PosixByteSource::close() {
    blocks.reset();
    if (directFd >= 0)
        ::close(directFd);
    directFd = -1;
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    device = false;
    bytes = 0;
}

bool PosixByteSource::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return readAll(fd, offset, buffer, count, done, error);
}

bool PosixByteSource::DirectReads::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    return readAll(owner.directFd, offset, buffer, count, done, owner.error);
}

#include "PosixFileAccess.h"

#include "FileSystemSync.h"
#include "OpenUnread.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#endif

PosixFileAccess::~PosixFileAccess() {
    close();
}

bool PosixFileAccess::fail(int code, Refusal why) {
    error = code;
    refused = why;
    return false;
}

namespace {

// Non-blocking, so that neither a FIFO put in the file's place since the
// check nor another process's lease can stall the open. It stays so: that
// changes nothing for a regular file's reads and writes, and clearing it
// would cost a call.
int openUnblocked(const char* path, int flags) {
    return openUnread(path, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

}

bool PosixFileAccess::open(const char* path) {
    close();
    error = 0;
    refused = Refusal::None;
    deferred = false;
    statusFresh = false;
    // A listed file's kind is known, and the open itself refuses a link put in
    // its place since; anything else is refused once opened.
    struct stat named;
    const struct stat* lookedUp = listedRegular ? nullptr : &named;
    if (lookedUp != nullptr && stat(path, &named) != 0)
        return fail(errno);
    if (lookedUp != nullptr && !admit(named))
        return false;

    const bool inspect = mode == Mode::Inspect;
    const int flags = (mode == Mode::ReadWrite ? O_RDWR : O_RDONLY) | (listedRegular ? O_NOFOLLOW : 0);
    fd = openUnblocked(path, flags);
    if (fd < 0)
        return refuseUnopened(path, flags);
    if (mode == Mode::Read) {
        if (stillAdmitted(lookedUp))
            return true;
        close();
        return false;
    }

    if (stillAdmitted(lookedUp) && (!inspect || (writableByFlags(fd) && grantsWriteAccess(path))) && holdAlone()) {
        device = opened.st_dev;
        // Watched before anything is written, so that the sync sees every
        // write-back error of this file.
        watched = !inspect && deferral != nullptr && deferral->watch(path, device);
        return true;
    }
    close();
    return false;
}

uid_t PosixFileAccess::effectiveUser() {
    if (!userKnown)
        user = geteuid();
    userKnown = true;
    return user;
}

bool PosixFileAccess::admit(const struct stat& status) {
    if (S_ISDIR(status.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(status.st_mode))
        return fail(EINVAL, Refusal::NotRegularFile);
    if (mode == Mode::Read)
        return true;
    // The superuser's open would succeed regardless; the mode bits decide for
    // everyone alike.
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return fail(EACCES, Refusal::ReadOnly);
    // Otherwise the header would be rewritten and only then the time refused.
    if (time == Time::Keep && effectiveUser() != 0 && effectiveUser() != status.st_uid)
        return fail(EPERM, Refusal::NotOwner);
    return true;
}

bool PosixFileAccess::grantsWriteAccess(const char* path) {
    // Whether the caller's permissions and the file system let it open the
    // file for writing: what a read-write open would be refused for
    // (permission, a read-only file system), with the same error.
    if (faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0)
        return fail(errno);
    return true;
}

bool PosixFileAccess::writableByFlags(int descriptor) {
#ifdef FS_IOC_GETFLAGS
    int flags = 0;
    if (ioctl(descriptor, FS_IOC_GETFLAGS, &flags) != 0)
        // File systems without such flags.
        return errno == ENOTTY || errno == EINVAL || errno == ENOSYS || fail(errno);
    if (flags & FS_IMMUTABLE_FL)
        return fail(EPERM, Refusal::Immutable);
    if (flags & FS_APPEND_FL)
        return fail(EPERM, Refusal::AppendOnly);
#else
    (void)descriptor;
#endif
    return true;
}

bool PosixFileAccess::refuseUnopened(const char* path, int flags) {
    const int why = errno;
    // A listed file was not looked at before the open, which gives its own
    // reason first where a look would have refused it (read-only to this
    // user, not the owner, a link put in its place).
    struct stat named;
    if ((flags & O_NOFOLLOW) && lstat(path, &named) == 0 && !admit(named))
        return false;
    return why == EPERM && mode == Mode::ReadWrite ? refuseFlagged(path, flags) : fail(why);
}

bool PosixFileAccess::refuseFlagged(const char* path, int flags) {
    // Asked only once the read-write open was refused, so a repair pays for
    // the extra open only then.
    const int probe = openUnblocked(path, O_RDONLY | (flags & O_NOFOLLOW));
    const bool plain = probe < 0 || writableByFlags(probe);
    if (probe >= 0)
        ::close(probe);
    return plain ? fail(EPERM) : false;
}

bool PosixFileAccess::stillAdmitted(const struct stat* named) {
    if (fstat(fd, &opened) != 0)
        return fail(errno);
    statusFresh = true;
    if (named != nullptr && (opened.st_dev != named->st_dev || opened.st_ino != named->st_ino))
        return fail(EAGAIN, Refusal::Replaced);
    return admit(opened);
}

bool PosixFileAccess::currentStatus(struct stat*& status) {
    if (!statusFresh && fstat(fd, &opened) != 0)
        return fail(errno);
    statusFresh = true;
    status = &opened;
    return true;
}

bool PosixFileAccess::lock() {
    const bool inspect = mode == Mode::Inspect;
    // flock takes an exclusive lock on a descriptor of any mode, so inspection
    // is refused by the same holders as a repair.
    int result;
    do
        result = flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return fail(errno, Refusal::Locked);

    // flock and fcntl locks do not see each other; holding both keeps out
    // cooperating programs of either kind. A read-only descriptor can hold
    // only a read lock, so inspection also asks whether a write lock would be
    // granted.
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
    if (inspect) {
        range.l_type = F_WRLCK;
        if (fcntl(fd, F_GETLK, &range) != 0)
            return fail(errno);
        if (range.l_type != F_UNLCK)
            return fail(EAGAIN, Refusal::Locked);
    }
    return true;
}

bool PosixFileAccess::holdAlone() {
    // A granted lease proves that no other process has the file open, so none
    // can hold a lock on it: the locks are taken only where no lease is, and
    // tell a locked file from one that is merely open elsewhere.
    const int notLeased = lease();
    if (notLeased == 0)
        return true;
    if (!lock())
        return false;
    if (notLeased == EAGAIN)
        return fail(EAGAIN, Refusal::InUse);
    // Not the owner without CAP_LEASE (EACCES), or no leases on this file
    // system (EINVAL): the locks are all there is.
    return notLeased == EACCES || notLeased == EINVAL || fail(notLeased);
}

int PosixFileAccess::lease() {
#ifdef F_SETLEASE
    // Breaking the lease signals the holder with SIGIO, whose default action
    // ends the process: another program opening the file must not kill a
    // repair half-way. Ignored, the break only makes that opener wait for the
    // close. A handler someone installed is left in place.
    struct sigaction current;
    if (!signalSettled && sigaction(SIGIO, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO)
        && current.sa_handler == SIG_DFL) {
        current.sa_handler = SIG_IGN;
        sigaction(SIGIO, &current, nullptr);
    }
    signalSettled = true;
    // Also granted on a read-only descriptor; refused while anyone else has
    // the file open, for reading or writing.
    return fcntl(fd, F_SETLEASE, F_WRLCK) == 0 ? 0 : errno;
#else
    // No leases on this system.
    return EINVAL;
#endif
}

template <typename Step>
bool PosixFileAccess::transfer(std::uint32_t count, std::uint32_t& done, Step step) {
    done = 0;
    while (done < count) {
        const ssize_t moved = step(done);
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (moved == 0)
            break;
        done += static_cast<std::uint32_t>(moved);
    }
    return true;
}

bool PosixFileAccess::isOpen() const {
    return fd >= 0;
}

bool PosixFileAccess::getLastWriteTime(FileTime& time) {
    struct stat* status = nullptr;
    if (!currentStatus(status))
        return false;
#ifdef __APPLE__
    const timespec& modified = status->st_mtimespec;
#else
    const timespec& modified = status->st_mtim;
#endif
    time.seconds = modified.tv_sec;
    time.nanoseconds = modified.tv_nsec;
    return true;
}

bool PosixFileAccess::getSize(std::uint64_t& size) {
    struct stat* status = nullptr;
    if (!currentStatus(status))
        return false;
    size = static_cast<std::uint64_t>(status->st_size);
    return true;
}

bool PosixFileAccess::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return transfer(count, done, [&](std::uint32_t moved) { return ::read(fd, buffer + moved, count - moved); });
}

bool PosixFileAccess::seek(std::uint32_t offset) {
    if (lseek(fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset))
        return fail(errno);
    return true;
}

bool PosixFileAccess::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    written = true;
    statusFresh = false;
    return transfer(count, done, [&](std::uint32_t moved) { return ::write(fd, buffer + moved, count - moved); });
}

bool PosixFileAccess::setLastWriteTime(const FileTime& time) {
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(time.seconds);
    times[1].tv_nsec = static_cast<long>(time.nanoseconds);
    statusFresh = false;
    if (futimens(fd, times) != 0)
        return fail(errno);
    return true;
}

bool PosixFileAccess::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return transfer(count, done, [&](std::uint32_t moved) {
        return pread(fd, buffer + moved, count - moved, static_cast<off_t>(offset + moved));
    });
}

bool PosixFileAccess::writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    written = true;
    statusFresh = false;
    return transfer(count, done, [&](std::uint32_t moved) {
        return pwrite(fd, buffer + moved, count - moved, static_cast<off_t>(offset + moved));
    });
}

bool PosixFileAccess::flush() {
    int result;
    do
#if defined(F_FULLFSYNC)
        // fsync alone stops at the drive's cache there.
        result = fcntl(fd, F_FULLFSYNC) == 0 ? 0 : fsync(fd);
#elif defined(__linux__)
        // The writes never change the size, so the data alone must reach the disk.
        result = fdatasync(fd);
#else
        result = fsync(fd);
#endif
    while (result != 0 && errno == EINTR);
    // Where the file system cannot flush, stopping would leave an ordered
    // plan half done; its writes go on in their order without.
    if (result != 0 && errno != EINVAL && errno != ENOTSUP && errno != EOPNOTSUPP)
        return fail(errno);
    written = false;
    return true;
}

bool PosixFileAccess::syncDeferred(dev_t& where) const {
    where = device;
    return deferred;
}

bool PosixFileAccess::close() {
    if (fd < 0)
        return true;
    bool flushed = true;
    if (written && watched) {
        deferral->defer(device);
        deferred = true;
    } else if (written) {
        flushed = flush();
    }
    written = false;
    // Closing releases the lease and both locks. Linux must not see a close
    // retried after EINTR: the descriptor is gone either way, and whether what
    // was written reached the file is then unknown, so that counts as a
    // failure too.
    const bool closed = ::close(fd) == 0;
    fd = -1;
    if (!closed && flushed)
        fail(errno);
    return closed && flushed;
}

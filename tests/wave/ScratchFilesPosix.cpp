#include "ScratchFiles.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

const char* const ScratchDir::separator = "/";

namespace {

void removeTree(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (dir != nullptr) {
        while (dirent* entry = readdir(dir)) {
            const std::string leaf = entry->d_name;
            if (leaf == "." || leaf == "..")
                continue;
            const std::string child = path + "/" + leaf;
            struct stat status;
            if (lstat(child.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
                removeTree(child);
            else
                unlink(child.c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

bool writeAll(int fd, const unsigned char* bytes, std::size_t count, off_t offset)
{
    while (count > 0) {
        const ssize_t put = pwrite(fd, bytes, count, offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        count -= static_cast<std::size_t>(put);
        offset += put;
    }
    return true;
}

std::int64_t nanoseconds(const timespec& t)
{
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

timespec fromNanoseconds(std::int64_t value)
{
    timespec t;
    t.tv_sec = static_cast<time_t>(value / 1000000000);
    t.tv_nsec = static_cast<long>(value % 1000000000);
    return t;
}

// Waits for one byte on fd; false after the time-out or when the pipe closes.
bool awaitByte(int fd, int milliseconds)
{
    pollfd p = {fd, POLLIN, 0};
    int ready;
    do
        ready = poll(&p, 1, milliseconds);
    while (ready < 0 && errno == EINTR);
    char byte;
    return ready == 1 && read(fd, &byte, 1) == 1;
}

}

ScratchDir::ScratchDir()
{
    char pattern[] = "scratch-XXXXXX";
    if (mkdtemp(pattern) != nullptr) {
        name = pattern;
        created = true;
    }
}

ScratchDir::~ScratchDir()
{
    if (created)
        removeTree(name);
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes.data(), bytes.size(), 0);
    return close(fd) == 0 && ok;
}

bool writeSparseFile(const std::string& path, const std::vector<unsigned char>& head,
    std::uint64_t size, const std::vector<unsigned char>& tail)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0
        && writeAll(fd, head.data(), head.size(), 0)
        && writeAll(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size()));
    return close(fd) == 0 && ok;
}

std::vector<unsigned char> readRange(const std::string& path, std::uint64_t offset, std::uint32_t count)
{
    std::vector<unsigned char> bytes(count);
    // Looking at the file must not move the access time a test compares.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    bytes.resize(done);
    return bytes;
}

std::vector<unsigned char> readFile(const std::string& path)
{
    const std::uint64_t size = fileSize(path);
    return size > UINT_MAX ? std::vector<unsigned char>() : readRange(path, 0, static_cast<std::uint32_t>(size));
}

std::uint64_t fileSize(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

bool makeDirectory(const std::string& path)
{
    return mkdir(path.c_str(), 0755) == 0;
}

bool readTimes(const std::string& path, FileTimes& times)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return false;
    times.modified = nanoseconds(status.st_mtim);
    times.accessed = nanoseconds(status.st_atim);
    return true;
}

bool setTimes(const std::string& path, const FileTimes& times)
{
    const timespec both[2] = {fromNanoseconds(times.accessed), fromNanoseconds(times.modified)};
    return utimensat(AT_FDCWD, path.c_str(), both, 0) == 0;
}

std::int64_t timeNow()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

std::int64_t oneDay()
{
    return 86400ll * 1000000000;
}

bool setReadOnly(const std::string& path, bool readOnly)
{
    return chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
}

bool readOnlyKeepsWritersOut(const std::string&)
{
    // The file layer refuses files without write permission itself, even for
    // the superuser.
    return true;
}

void leaveStaleError()
{
    errno = EIO;
}

HeldFile::HeldFile(const std::string& path, Kind kind)
{
    int ready[2];
    int hold[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return;
    if (pipe2(hold, O_CLOEXEC) != 0) {
        close(ready[0]);
        close(ready[1]);
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        close(ready[0]);
        close(hold[1]);
        const bool writing = kind == Kind::FcntlWrite;
        const int fd = open(path.c_str(), writing ? O_RDWR : O_RDONLY);
        bool locked = false;
        if (fd >= 0) {
            if (kind == Kind::FlockShared || kind == Kind::FlockExclusive) {
                locked = flock(fd, kind == Kind::FlockShared ? LOCK_SH : LOCK_EX) == 0;
            } else {
                struct flock range = {};
                range.l_type = writing ? F_WRLCK : F_RDLCK;
                range.l_whence = SEEK_SET;
                locked = fcntl(fd, F_SETLK, &range) == 0;
            }
        }
        if (locked && write(ready[1], "L", 1) == 1) {
            pollfd p = {hold[0], POLLIN, 0};
            poll(&p, 1, 20000);
        }
        _exit(0);
    }
    close(ready[1]);
    close(hold[0]);
    if (child < 0) {
        close(ready[0]);
        close(hold[1]);
        return;
    }
    process = child;
    release = hold[1];
    held = awaitByte(ready[0], 10000);
    close(ready[0]);
}

HeldFile::~HeldFile()
{
    if (release >= 0)
        close(release);
    if (process <= 0)
        return;
    const pid_t child = static_cast<pid_t>(process);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

std::vector<HeldFile::Kind> holdKinds()
{
    return {HeldFile::Kind::FlockShared, HeldFile::Kind::FlockExclusive,
        HeldFile::Kind::FcntlRead, HeldFile::Kind::FcntlWrite};
}

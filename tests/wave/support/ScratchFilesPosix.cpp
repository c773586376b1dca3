#include "ScratchFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <linux/kernel-page-flags.h>
#include <sys/mman.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

const char* const ScratchDir::separator = "/";

namespace {

bool writeAt(int fd, const std::vector<unsigned char>& bytes, std::uint64_t offset) {
    return pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes.size());
}

std::int64_t nanoseconds(const timespec& t) {
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

timespec fromNanoseconds(std::int64_t value) {
    return {static_cast<time_t>(value / 1000000000), static_cast<long>(value % 1000000000)};
}

}

ScratchDir::ScratchDir() {
    char pattern[] = "scratch-XXXXXX";
    created = mkdtemp(pattern) != nullptr;
    name = pattern;
}

ScratchDir::~ScratchDir() {
    const auto removeOne = [](const char* path, const struct stat*, int, FTW*) { return std::remove(path); };
    if (created)
        nftw(name.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

bool writeSparseFile(const std::string& path, const std::vector<unsigned char>& head, std::uint64_t size,
    const std::vector<unsigned char>& tail) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok =
        ftruncate(fd, static_cast<off_t>(size)) == 0 && writeAt(fd, head, 0) && writeAt(fd, tail, size - tail.size());
    return close(fd) == 0 && ok;
}

std::vector<unsigned char> readRange(const std::string& path, std::uint64_t offset, std::uint32_t count) {
    // Looking at the file must not move the access time a test compares.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<unsigned char> bytes(count);
    const ssize_t got = fd < 0 ? 0 : pread(fd, bytes.data(), count, static_cast<off_t>(offset));
    if (fd >= 0)
        close(fd);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

std::uint64_t fileSize(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

bool firstPageDirty(const std::string& path, bool& dirty) {
    // Maps the page, then reads its frame's flags: the frame number in the
    // page map is given to the superuser alone, as is the table of flags.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const long page = sysconf(_SC_PAGESIZE);
    void* map = fd < 0 ? MAP_FAILED : mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, 0);
    if (fd >= 0)
        close(fd);
    if (map == MAP_FAILED)
        return false;
    const volatile char first = *static_cast<const volatile char*>(map);
    (void)first;
    std::uint64_t entry = 0;
    std::uint64_t flags = 0;
    const int pages = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    const int frames = open("/proc/kpageflags", O_RDONLY | O_CLOEXEC);
    const off_t at = static_cast<off_t>(reinterpret_cast<std::uintptr_t>(map) / page * sizeof entry);
    bool known = pread(pages, &entry, sizeof entry, at) == sizeof entry;
    const std::uint64_t frame = entry & ((1ull << 55) - 1);
    known = known && frame != 0
        && pread(frames, &flags, sizeof flags, static_cast<off_t>(frame * sizeof flags)) == sizeof flags;
    for (int opened : {pages, frames}) {
        if (opened >= 0)
            close(opened);
    }
    munmap(map, page);
    dirty = (flags >> KPF_DIRTY) & 1;
    return known;
}

bool makeDirectory(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0;
}

bool readTimes(const std::string& path, FileTimes& times) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return false;
    times.modified = nanoseconds(status.st_mtim);
    times.accessed = nanoseconds(status.st_atim);
    return true;
}

bool setTimes(const std::string& path, const FileTimes& times) {
    const timespec both[2] = {fromNanoseconds(times.accessed), fromNanoseconds(times.modified)};
    return utimensat(AT_FDCWD, path.c_str(), both, 0) == 0;
}

std::int64_t timeNow() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

std::int64_t oneDay() {
    return 86400ll * 1000000000;
}

bool setReadOnly(const std::string& path, bool readOnly) {
    return chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
}

bool readOnlyKeepsWritersOut(const std::string&) {
    // The file layer refuses files without write permission itself, even for
    // the superuser.
    return true;
}

void leaveStaleError() {
    errno = EIO;
}

HeldFile::HeldFile(const std::string& path, Kind kind) {
    const bool writing = kind == Kind::FcntlWrite;
    const int fd = open(path.c_str(), (writing ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    // An open-file-description lock conflicts with every other opener's
    // record lock, this process's own included.
    struct flock range = {};
    range.l_type = writing ? F_WRLCK : F_RDLCK;
    handle = fd;
    held = fd >= 0
        && (kind == Kind::FlockShared || kind == Kind::FlockExclusive
                ? flock(fd, (kind == Kind::FlockShared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0
                : fcntl(fd, F_OFD_SETLK, &range) == 0);
}

HeldFile::~HeldFile() {
    if (handle >= 0)
        close(static_cast<int>(handle));
}

std::vector<HeldFile::Kind> holdKinds() {
    return {HeldFile::Kind::FlockShared, HeldFile::Kind::FlockExclusive, HeldFile::Kind::FcntlRead,
        HeldFile::Kind::FcntlWrite};
}

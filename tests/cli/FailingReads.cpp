// A card whose sectors fail, for a program run with LD_PRELOAD: reads (pread,
// preadv, read) of chosen byte ranges of one chosen file fail with EIO, on any
// descriptor of it. A read that meets a bad byte returns what lies before it,
// or fails where that is nothing. With SONORIX_FAILING_CACHE=N, reads through
// the cache fail as a block device's page cache does: from the start of the
// aligned block of N bytes around the bad byte; reads of a descriptor opened
// with O_DIRECT lose the bad sectors alone.
//
//   SONORIX_FAILING_FILE=card.img SONORIX_FAILING_RANGES=OFFSET:LENGTH,...
//   [SONORIX_FAILING_CACHE=131072] LD_PRELOAD=libfailing_reads.so program

// Both the calls and their 64-bit names are replaced, so neither may stand for
// the other here.
#undef _FILE_OFFSET_BITS

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

struct Range {
    std::uint64_t offset;
    std::uint64_t length;
};

struct Chosen {
    bool any = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t cache = 0;
    std::vector<Range> bad;

    Chosen() {
        const char* file = std::getenv("SONORIX_FAILING_FILE");
        const char* ranges = std::getenv("SONORIX_FAILING_RANGES");
        struct stat status;
        if (file == nullptr || ranges == nullptr || stat(file, &status) != 0)
            return;
        device = status.st_dev;
        inode = status.st_ino;
        if (const char* cacheBytes = std::getenv("SONORIX_FAILING_CACHE"))
            cache = std::strtoull(cacheBytes, nullptr, 10);
        for (const char* at = ranges; *at != '\0';) {
            char* end = nullptr;
            const std::uint64_t offset = std::strtoull(at, &end, 10);
            if (*end != ':')
                break;
            const std::uint64_t length = std::strtoull(end + 1, &end, 10);
            bad.push_back({offset, length});
            at = *end == ',' ? end + 1 : end;
        }
        any = true;
    }

    // The first byte of count at offset that fails on fd, or offset + count.
    std::uint64_t firstBad(int fd, std::uint64_t offset, std::uint64_t count) const {
        struct stat status;
        if (!any || fstat(fd, &status) != 0 || status.st_dev != device || status.st_ino != inode)
            return offset + count;
        const int flags = fcntl(fd, F_GETFL);
        const std::uint64_t block = cache > 0 && (flags < 0 || (flags & O_DIRECT) == 0) ? cache : 1;
        std::uint64_t first = offset + count;
        for (const Range& range : bad) {
            const std::uint64_t from = range.offset / block * block;
            const std::uint64_t to = (range.offset + range.length + block - 1) / block * block;
            if (from < offset + count && to > offset)
                first = std::min(first, std::max(from, offset));
        }
        return first;
    }
};

const Chosen& chosen() {
    static const Chosen files;
    return files;
}

template <typename Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// count bytes at offset through read(count): short before a bad byte, or
// EIO at one.
template <typename Read>
ssize_t failing(int fd, std::uint64_t offset, std::uint64_t count, const Read& read) {
    const std::uint64_t good = chosen().firstBad(fd, offset, count) - offset;
    if (good == count)
        return read(count);
    if (good == 0) {
        errno = EIO;
        return -1;
    }
    return read(good);
}

std::uint64_t total(const struct iovec* vectors, int count) {
    std::uint64_t bytes = 0;
    for (int i = 0; i < count; ++i)
        bytes += vectors[i].iov_len;
    return bytes;
}

// The first vectors that hold bytes, the last of them cut.
std::vector<struct iovec> firstOf(const struct iovec* vectors, int count, std::uint64_t bytes) {
    std::vector<struct iovec> kept;
    for (int i = 0; i < count && bytes > 0; ++i) {
        kept.push_back(vectors[i]);
        kept.back().iov_len = std::min<std::uint64_t>(bytes, vectors[i].iov_len);
        bytes -= kept.back().iov_len;
    }
    return kept;
}

}

extern "C" {

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    static const auto next = real<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return failing(fd, static_cast<std::uint64_t>(offset), count,
        [&](std::uint64_t bytes) { return next(fd, buffer, bytes, offset); });
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
    static const auto next = real<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    return failing(fd, static_cast<std::uint64_t>(offset), count,
        [&](std::uint64_t bytes) { return next(fd, buffer, bytes, offset); });
}

ssize_t preadv(int fd, const struct iovec* vectors, int count, off_t offset) {
    static const auto next = real<ssize_t (*)(int, const struct iovec*, int, off_t)>("preadv");
    return failing(fd, static_cast<std::uint64_t>(offset), total(vectors, count), [&](std::uint64_t bytes) {
        const std::vector<struct iovec> kept = firstOf(vectors, count, bytes);
        return next(fd, kept.data(), static_cast<int>(kept.size()), offset);
    });
}

ssize_t preadv64(int fd, const struct iovec* vectors, int count, off_t offset) {
    static const auto next = real<ssize_t (*)(int, const struct iovec*, int, off_t)>("preadv64");
    return failing(fd, static_cast<std::uint64_t>(offset), total(vectors, count), [&](std::uint64_t bytes) {
        const std::vector<struct iovec> kept = firstOf(vectors, count, bytes);
        return next(fd, kept.data(), static_cast<int>(kept.size()), offset);
    });
}

ssize_t read(int fd, void* buffer, size_t count) {
    static const auto next = real<ssize_t (*)(int, void*, size_t)>("read");
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at < 0)
        return next(fd, buffer, count);
    return failing(fd, static_cast<std::uint64_t>(at), count,
        [&](std::uint64_t bytes) { return next(fd, buffer, bytes); });
}
}

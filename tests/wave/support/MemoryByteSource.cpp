#include "MemoryByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void MemoryByteSource::place(std::uint64_t offset, const std::vector<unsigned char>& patch) {
    if (offset >= bytes || patch.empty())
        return;
    std::vector<unsigned char> kept(patch.begin(),
        patch.begin() + std::min<std::uint64_t>(patch.size(), bytes - offset));
    if (offset < head.size()) {
        const std::size_t inside = std::min<std::size_t>(kept.size(), head.size() - offset);
        std::copy(kept.begin(), kept.begin() + inside, head.begin() + offset);
        kept.erase(kept.begin(), kept.begin() + inside);
        offset += inside;
    }
    if (!kept.empty())
        patches[offset] = kept;
}

bool MemoryByteSource::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    if (offset > bytes || count > bytes - offset || offset % required != 0 || count % required != 0) {
        std::fprintf(stderr,
            "read of %u bytes at %llu outside an image of %llu bytes, or not of whole %u-byte blocks\n", count,
            static_cast<unsigned long long>(offset), static_cast<unsigned long long>(bytes), required);
        std::abort();
    }
    ++reads;
    bytesRead += count;
    // A failing block ends the read where it begins.
    std::uint32_t good = count;
    for (std::uint64_t bad : failing) {
        if (bad * block < offset + count && (bad + 1) * block > offset)
            good = std::min<std::uint32_t>(good,
                bad * block > offset ? static_cast<std::uint32_t>(bad * block - offset) : 0);
    }
    std::memset(buffer, 0, good);
    if (offset < head.size())
        std::memcpy(buffer, head.data() + offset, std::min<std::uint64_t>(good, head.size() - offset));
    for (auto it = patches.begin(); it != patches.end() && it->first < offset + good; ++it) {
        const std::uint64_t end = it->first + it->second.size();
        if (end <= offset)
            continue;
        const std::uint64_t from = std::max(offset, it->first);
        std::memcpy(buffer + (from - offset), it->second.data() + (from - it->first),
            std::min(end, offset + good) - from);
    }
    done = good;
    if (good == count)
        return true;
    error = EIO;
    return false;
}

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
    if (!kept.empty()) {
        if (patches.use_count() > 1)
            patches = std::make_shared<Patches>(*patches);
        longest = std::max<std::uint64_t>(longest, kept.size());
        (*patches)[offset] = kept;
    }
}

ByteSource* MemoryByteSource::unbuffered() {
    if (cached == 0)
        return nullptr;
    if (!blocks || blocks->blockSize() != block)
        blocks = std::make_unique<BlockReads>(uncached, block);
    return blocks.get();
}

bool MemoryByteSource::Uncached::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    // Whole blocks to the end, whose last may be short.
    const std::uint32_t tail =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(count, owner.bytes - std::min(offset, owner.bytes)));
    if (offset % owner.block != 0 || (count % owner.block != 0 && offset + count < owner.bytes)
        || reinterpret_cast<std::uintptr_t>(buffer) % owner.block != 0) {
        std::fprintf(stderr, "unbuffered read of %u bytes at %llu, not of whole aligned blocks\n", count,
            static_cast<unsigned long long>(offset));
        std::abort();
    }
    const bool read = owner.readIn(offset, buffer, tail, done, 1, owner.block);
    owner.uncachedFailures += read ? 0 : 1;
    return read;
}

bool MemoryByteSource::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return readIn(offset, buffer, count, done, required, cached == 0 ? block : cached);
}

bool MemoryByteSource::readIn(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done,
    std::uint32_t unit, std::uint32_t failingIn) {
    if (offset > bytes || count > bytes - offset || offset % unit != 0 || count % unit != 0) {
        std::fprintf(stderr,
            "read of %u bytes at %llu outside an image of %llu bytes, or not of whole %u-byte blocks\n", count,
            static_cast<unsigned long long>(offset), static_cast<unsigned long long>(bytes), unit);
        std::abort();
    }
    ++reads;
    bytesRead += count;
    // A failing block ends the read where the block of failingIn bytes around
    // it begins.
    std::uint32_t good = count;
    for (std::uint64_t bad : failing) {
        const std::uint64_t from = bad * block / failingIn * failingIn;
        const std::uint64_t to = ((bad + 1) * block + failingIn - 1) / failingIn * failingIn;
        if (from < offset + count && to > offset)
            good = std::min<std::uint32_t>(good, from > offset ? static_cast<std::uint32_t>(from - offset) : 0);
    }
    std::memset(buffer, 0, good);
    if (offset < head.size())
        std::memcpy(buffer, head.data() + offset, std::min<std::uint64_t>(good, head.size() - offset));
    // No patch that begins longest bytes before offset reaches it.
    for (auto it = patches->lower_bound(offset > longest ? offset - longest : 0);
         it != patches->end() && it->first < offset + good; ++it) {
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

#pragma once

#include "BlockReads.h"
#include "ByteSource.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// A card image that exists only in memory, of any size: its first bytes are
// stored whole, patches further on as given, and the rest reads as zeros. It
// holds the layer above to its contract: a read that reaches past the end, or
// (where blocks are required) one that is not of whole aligned blocks, ends
// the process. Chosen blocks fail as a failing card's do; where cached is set,
// its reads fail as a page cache's do, from the start of the cached block
// around a failing one, while its unbuffered reads (of whole aligned blocks,
// through BlockReads) lose the failing blocks alone.
class MemoryByteSource : public ByteSource {
public:
    using Patches = std::map<std::uint64_t, std::vector<unsigned char>>;

    MemoryByteSource(std::vector<unsigned char> head, std::uint64_t size)
        : head(std::move(head)), patches(std::make_shared<Patches>()), bytes(size), uncached(*this) {}
    // Patches of at most longest bytes each, that do not overlap, shared with
    // their maker.
    MemoryByteSource(std::shared_ptr<Patches> shared, std::uint64_t longest, std::uint64_t size)
        : patches(std::move(shared)), longest(longest), bytes(size), uncached(*this) {}

    std::uint64_t size() const override { return bytes; }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    int lastError() const override { return error; }
    std::uint32_t blockSize() const override { return block; }
    ByteSource* unbuffered() override;

    // Puts bytes at offset; past the end of the image they are dropped.
    void place(std::uint64_t offset, const std::vector<unsigned char>& patch);

    // Reads of blocks of this size alone (1: any read).
    std::uint32_t required = 1;
    std::uint32_t block = 512;
    // Blocks (of block bytes) that fail to read, with EIO.
    std::vector<std::uint64_t> failing;
    std::uint64_t reads = 0;
    std::uint64_t bytesRead = 0;
    // The bytes a read through the cache fails in (0: none, and no unbuffered
    // reads), and the reads past it that failed.
    std::uint32_t cached = 0;
    std::uint64_t uncachedFailures = 0;

private:
    class Uncached : public ByteSource {
    public:
        explicit Uncached(MemoryByteSource& owner) : owner(owner) {}
        std::uint64_t size() const override { return owner.size(); }
        bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
        int lastError() const override { return owner.lastError(); }

    private:
        MemoryByteSource& owner;
    };

    bool readIn(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done,
        std::uint32_t unit, std::uint32_t failingIn);

    std::vector<unsigned char> head;
    std::shared_ptr<Patches> patches;
    std::uint64_t longest = 0;
    std::uint64_t bytes;
    int error = 0;
    Uncached uncached;
    std::unique_ptr<BlockReads> blocks;
};

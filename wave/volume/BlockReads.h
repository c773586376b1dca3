#pragma once

#include "ByteSource.h"

#include <cstdint>
#include <vector>

// Reads at any offset from a device that takes only whole blocks at
// block-aligned offsets into block-aligned memory (a Windows disk or volume
// handle): a read the device cannot take goes through a buffer of its own.
class BlockReads : public ByteSource {
public:
    // block: a power of two from 1 to 64 KiB.
    BlockReads(ByteSource& device, std::uint32_t block);

    std::uint64_t size() const override { return device.size(); }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    int lastError() const override { return device.lastError(); }
    std::uint32_t blockSize() const override { return block; }

    static constexpr std::uint32_t bufferBytes = 1 << 20;

private:
    bool aligned(std::uint64_t value) const { return value % block == 0; }
    // A buffer of at least bytes, aligned to the block; grown as reads ask.
    unsigned char* alignedBuffer(std::uint32_t bytes);

    ByteSource& device;
    std::uint32_t block;
    std::vector<unsigned char> storage;
    unsigned char* buffer = nullptr;
};

#include "BlockReads.h"

#include <cstring>

BlockReads::BlockReads(ByteSource& device, std::uint32_t block) : device(device), block(block) {}

unsigned char* BlockReads::alignedBuffer(std::uint32_t bytes) {
    if (storage.size() < std::size_t(bytes) + block) {
        storage.assign(std::size_t(bytes) + block, 0);
        const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
        buffer = storage.data() + (block - address % block) % block;
    }
    return buffer;
}

bool BlockReads::readAt(std::uint64_t offset, unsigned char* target, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    if (aligned(offset) && aligned(count) && aligned(reinterpret_cast<std::uintptr_t>(target)))
        return device.readAt(offset, target, count, done);
    while (done < count) {
        const std::uint64_t at = offset + done;
        const std::uint32_t skip = static_cast<std::uint32_t>(at % block);
        std::uint64_t span = std::uint64_t(skip) + (count - done);
        span = span - span % block + (aligned(span) ? 0 : block);
        const std::uint32_t asked = span < bufferBytes ? static_cast<std::uint32_t>(span) : bufferBytes;
        unsigned char* const buffer = alignedBuffer(asked);
        std::uint32_t got = 0;
        const bool ok = device.readAt(at - skip, buffer, asked, got);
        const std::uint32_t usable = got > skip ? got - skip : 0;
        const std::uint32_t taken = usable < count - done ? usable : count - done;
        std::memcpy(target + done, buffer + skip, taken);
        done += taken;
        if (!ok || got < asked)
            return ok;
    }
    return true;
}

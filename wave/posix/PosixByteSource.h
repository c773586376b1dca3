#pragma once

#include "BlockReads.h"
#include "ByteSource.h"

#include <memory>
#include <sys/stat.h>
#include <sys/types.h>

// An image file or a block device (a card in a reader), opened for reading
// alone and never written: no write call exists here, and where the system
// allows it (the file's owner, or the superuser) reading leaves even the
// access time alone. Anything else (a folder, a character device, a FIFO) is
// refused by its kind before it is opened, and again on the opened
// descriptor, which must be the same file. Interrupted reads are retried and
// partial ones continued. Where the system can (O_DIRECT), a second
// descriptor reads past the page cache, one logical sector at a time if
// asked: a cached read that fails loses the whole block of the cache around
// the bad sectors, a read through it no more than they.
class PosixByteSource : public ByteSource {
public:
    PosixByteSource() : direct(*this) {}
    PosixByteSource(const PosixByteSource&) = delete;
    PosixByteSource& operator=(const PosixByteSource&) = delete;
    ~PosixByteSource() override;

    bool open(const char* path);
    void close();
    bool isOpen() const { return fd >= 0; }
    // A block device rather than an image file.
    bool isDevice() const { return device; }

    std::uint64_t size() const override { return bytes; }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    int lastError() const override { return error; }
    std::uint32_t blockSize() const override { return sector; }
    ByteSource* unbuffered() override { return blocks.get(); }
    // A block device's, as the system tells it.
    std::uint32_t logicalSectorSize() const override { return device ? sector : 0; }

    // open refused a file the system would have opened: neither a regular
    // file nor a block device (lastError() is then EINVAL).
    bool notImageOrDevice() const { return refused; }

private:
    // The reads of the descriptor that passes the cache, which takes only
    // whole sectors at aligned offsets into aligned memory.
    class DirectReads : public ByteSource {
    public:
        explicit DirectReads(PosixByteSource& owner) : owner(owner) {}
        std::uint64_t size() const override { return owner.bytes; }
        bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
        int lastError() const override { return owner.error; }

    private:
        PosixByteSource& owner;
    };

    bool fail(int code);
    // Opens the descriptor that passes the cache, where the system and the
    // file system allow one: none otherwise.
    void openDirect(const char* path, const struct stat& opened);

    int fd = -1;
    int directFd = -1;
    bool device = false;
    bool refused = false;
    std::uint64_t bytes = 0;
    std::uint32_t sector = 512;
    int error = 0;
    DirectReads direct;
    std::unique_ptr<BlockReads> blocks;
};

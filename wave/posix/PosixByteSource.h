#pragma once

#include "ByteSource.h"

#include <sys/types.h>

// An image file or a block device (a card in a reader), opened for reading
// alone and never written: no write call exists here, and where the system
// allows it (the file's owner, or the superuser) reading leaves even the
// access time alone. Anything else (a folder, a character device, a FIFO) is
// refused by its kind before it is opened, and again on the opened
// descriptor, which must be the same file. Interrupted reads are retried and
// partial ones continued.
class PosixByteSource : public ByteSource {
public:
    PosixByteSource() = default;
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

    // open refused a file the system would have opened: neither a regular
    // file nor a block device (lastError() is then EINVAL).
    bool notImageOrDevice() const { return refused; }

private:
    bool fail(int code);

    int fd = -1;
    bool device = false;
    bool refused = false;
    std::uint64_t bytes = 0;
    int error = 0;
};

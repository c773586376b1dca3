#pragma once

#include "BlockReads.h"
#include "ByteSource.h"

#include <windows.h>

#include <memory>
#include <string>

// An image file, or a disk or volume (\\.\E:, \\.\PhysicalDrive1), named in
// UTF-8 and opened for reading alone, shared with every other opener as a card
// the system has mounted must be; nothing is ever written. A device is sized
// by IOCTL_DISK_GET_LENGTH_INFO and read in whole sectors at sector-aligned
// offsets into aligned memory, through a buffer of its own where a read asks
// otherwise. A folder, or a name that stands for another kind of device, is
// refused. A second handle, opened with FILE_FLAG_NO_BUFFERING, reads past the
// system's cache in whole sectors, for going back over reads that failed.
class Win32ByteSource : public ByteSource {
public:
    Win32ByteSource();
    Win32ByteSource(const Win32ByteSource&) = delete;
    Win32ByteSource& operator=(const Win32ByteSource&) = delete;
    ~Win32ByteSource() override;

    bool open(const char* path);
    void close();
    bool isOpen() const { return file != INVALID_HANDLE_VALUE; }
    bool isDevice() const { return device; }

    std::uint64_t size() const override { return bytes; }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    int lastError() const override { return static_cast<int>(error); }
    std::uint32_t blockSize() const override { return sector; }
    ByteSource* unbuffered() override { return direct.get(); }
    // A disk's or volume's, as its geometry tells it.
    std::uint32_t logicalSectorSize() const override { return device ? sector : 0; }

    // open refused a name the system would have opened: a folder, or neither
    // a disk file nor a disk or volume.
    bool notImageOrDevice() const { return refused; }

private:
    // A handle's own reads, which a device, or any file through the handle
    // that passes the cache, takes only whole and aligned.
    class HandleReads : public ByteSource {
    public:
        HandleReads(Win32ByteSource& owner, HANDLE& file) : owner(owner), file(file) {}
        std::uint64_t size() const override { return owner.bytes; }
        bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
        int lastError() const override { return owner.lastError(); }

    private:
        Win32ByteSource& owner;
        HANDLE& file;
    };

    bool fail(bool refusal = false);
    bool sizeDevice();
    // Opens the handle that passes the cache, where the file system allows
    // reads of single sectors through one: none otherwise.
    void openUnbuffered(const std::wstring& name);

    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE uncached = INVALID_HANDLE_VALUE;
    bool device = false;
    bool refused = false;
    std::uint64_t bytes = 0;
    std::uint32_t sector = 512;
    DWORD error = 0;
    HandleReads handle;
    HandleReads uncachedHandle;
    std::unique_ptr<BlockReads> blocks;
    std::unique_ptr<BlockReads> direct;
};

#pragma once

#include "FileAccess.h"

#include <windows.h>

// Files through KERNEL32. The open shares nothing, so it fails while any other
// handle to the file is open and keeps every other opener out until close.
class Win32FileAccess : public FileAccess {
public:
    Win32FileAccess() = default;
    Win32FileAccess(const Win32FileAccess&) = delete;
    Win32FileAccess& operator=(const Win32FileAccess&) = delete;
    ~Win32FileAccess() override;

    bool open(const char* path) override;
    bool isOpen() const override;
    bool getLastWriteTime(FileTime& time) override;
    bool getSize(std::uint64_t& size) override;
    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seek(std::uint32_t offset) override;
    bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool setLastWriteTime(const FileTime& time) override;
    bool close() override;

private:
    HANDLE file = INVALID_HANDLE_VALUE;
};

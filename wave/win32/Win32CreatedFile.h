#pragma once

#include "CreatedFile.h"

#include <string>
#include <windows.h>

// A new file through the wide KERNEL32 calls, named in UTF-8: created with
// CREATE_NEW, so no file of that name (nor a link) is ever written through,
// and shared with no one while it is written (and read back); finishing flushes it with
// FlushFileBuffers, which writes its data and its metadata (on FAT and exFAT
// its directory entry, on NTFS the journal that holds its name) and the
// device's cache. Windows offers no flush of a folder to an ordinary user.
class Win32CreatedFile : public CreatedFile {
public:
    Win32CreatedFile() = default;
    Win32CreatedFile(const Win32CreatedFile&) = delete;
    Win32CreatedFile& operator=(const Win32CreatedFile&) = delete;
    ~Win32CreatedFile() override;

    bool vacant(const char* path) override;
    bool create(const char* path) override;
    bool append(const unsigned char* bytes, std::uint32_t count) override;
    bool writeAt(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count) override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool resize(std::uint64_t size) override;
    bool finish() override;
    bool rename(const char* path) override;
    void abandon() override;

    // The GetLastError code of the last failed operation, 0 when none failed.
    DWORD lastError() const { return error; }

private:
    bool fail(DWORD code);

    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring name;
    // Where append writes next: every write names its offset, so that one at
    // an offset leaves it as it was.
    std::uint64_t appended = 0;
    DWORD error = 0;
};

#pragma once

#include "RandomFileAccess.h"

#include <windows.h>

// Files through the wide KERNEL32 calls, named in UTF-8, at 64-bit offsets in
// 32-bit programs too. Only regular files on a disk are opened: the
// attributes are judged from the name before the open (no folder, no device)
// and the opened handle must be of a disk file. A file with the read-only
// attribute is refused unless read alone. A read-write open shares nothing, so it
// fails while any other handle to the file is open and keeps every other
// opener out until close; an inspection opens for reading only and shares
// only reading, so it still fails while another handle may write. Closing a
// file written since its last flush flushes it first: close succeeds only once
// the writes are on the disk.
class Win32RandomFileAccess : public RandomFileAccess {
public:
    enum class Mode {
        ReadWrite,
        Inspect,
        // Opens for reading alone, shares reading and writing, and refuses
        // only what is not a regular file: for a file that is read and never
        // written (a donor of a format), however others hold it.
        Read
    };
    enum class Refusal { None, NotRegularFile, ReadOnly, Locked };

    explicit Win32RandomFileAccess(Mode mode = Mode::ReadWrite) : mode(mode) {}
    Win32RandomFileAccess(const Win32RandomFileAccess&) = delete;
    Win32RandomFileAccess& operator=(const Win32RandomFileAccess&) = delete;
    ~Win32RandomFileAccess() override;

    bool open(const char* path) override;
    bool isOpen() const override;
    bool getLastWriteTime(FileTime& time) override;
    bool getSize(std::uint64_t& size) override;
    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seek(std::uint32_t offset) override;
    bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool setLastWriteTime(const FileTime& time) override;
    bool close() override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool flush() override;

    // The GetLastError code of the last failed call, 0 when none failed.
    DWORD lastError() const { return error; }
    Refusal refusal() const { return refused; }

private:
    bool fail(Refusal why = Refusal::None);

    Mode mode;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::uint64_t position = 0;
    bool written = false;
    DWORD error = 0;
    Refusal refused = Refusal::None;
};

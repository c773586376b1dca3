#pragma once

#include "CreatedFile.h"

#include <string>

// A new file through POSIX calls: created exclusively (O_EXCL, so neither a
// file nor a symbolic link of that name is ever written through), with the
// permissions the umask leaves of rw-rw-rw-; finishing flushes the file, then
// its folder, which makes the new name durable. A rename never replaces a file:
// renameat2 with RENAME_NOREPLACE, or where the file system has none, a second
// link and the first removed, or where it has no links (FAT), a look first.
class PosixCreatedFile : public CreatedFile {
public:
    PosixCreatedFile() = default;
    PosixCreatedFile(const PosixCreatedFile&) = delete;
    PosixCreatedFile& operator=(const PosixCreatedFile&) = delete;
    ~PosixCreatedFile() override;

    bool vacant(const char* path) override;
    bool create(const char* path) override;
    bool append(const unsigned char* bytes, std::uint32_t count) override;
    bool writeAt(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count) override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool resize(std::uint64_t size) override;
    bool finish() override;
    bool rename(const char* path) override;
    void abandon() override;

    // The errno of the last failed operation, 0 when none failed.
    int lastError() const { return error; }

private:
    bool fail(int code);
    bool flushFolder();

    int fd = -1;
    std::string name;
    // Where the next append writes.
    std::uint64_t appended = 0;
    int error = 0;
};

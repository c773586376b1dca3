#pragma once

#include "FileAccess.h"

// Files through POSIX calls. Only regular files are opened. While open, the
// file is held under both a whole-file flock and a whole-file fcntl lock, and
// the open fails when another process holds either; a file that grants no one
// write permission counts as read-only even for the superuser. Access times
// are left alone where the system allows it. Interrupted calls are retried and
// partial transfers continued.
class PosixFileAccess : public FileAccess {
public:
    enum class Mode {
        ReadWrite,
        // Opens for reading only, under shared locks, yet refuses what a
        // read-write open would refuse: for looking at a file without
        // changing it.
        Inspect
    };

    explicit PosixFileAccess(Mode mode = Mode::ReadWrite) : mode(mode) {}
    PosixFileAccess(const PosixFileAccess&) = delete;
    PosixFileAccess& operator=(const PosixFileAccess&) = delete;
    ~PosixFileAccess() override;

    bool open(const char* path) override;
    bool isOpen() const override;
    bool getLastWriteTime(FileTime& time) override;
    bool getSize(std::uint64_t& size) override;
    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seek(std::uint32_t offset) override;
    bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool setLastWriteTime(const FileTime& time) override;
    void close() override;

    // Why open turned down a file the system itself would have opened.
    enum class Refusal { None, NotRegularFile, ReadOnly, Locked };

    // The errno of the last failed operation, 0 when none failed.
    int lastError() const { return error; }
    Refusal refusal() const { return refused; }

private:
    bool fail(int code, Refusal why = Refusal::None);
    // Each refuses the open file with its reason; open then closes it.
    bool admit(const char* path);
    bool lock();
    bool clearNonBlocking();

    Mode mode;
    int fd = -1;
    int error = 0;
    Refusal refused = Refusal::None;
};

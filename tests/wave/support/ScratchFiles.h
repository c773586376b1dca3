#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Real files for tests, through the platform's own calls rather than the file
// layer under test. Paths are relative to the current directory. Times are in
// the platform's units (nanoseconds on POSIX, 100 ns on Windows).
class ScratchDir {
public:
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    bool ready() const { return created; }
    const std::string& path() const { return name; }
    std::string file(const char* leaf) const { return name + separator + leaf; }

    static const char* const separator;

private:
    std::string name;
    bool created = false;
};

struct FileTimes {
    std::int64_t modified = 0;
    std::int64_t accessed = 0;
};

// Writes head at offset 0 and tail so that it ends the file at size, with a
// hole between; the file takes next to no disk space whatever its size.
bool writeSparseFile(const std::string& path, const std::vector<unsigned char>& head, std::uint64_t size,
    const std::vector<unsigned char>& tail);
// Up to count bytes from offset; fewer at the end of the file.
std::vector<unsigned char> readRange(const std::string& path, std::uint64_t offset, std::uint32_t count);
std::uint64_t fileSize(const std::string& path);

inline bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    return writeSparseFile(path, bytes, bytes.size(), {});
}
bool makeDirectory(const std::string& path);
// POSIX: whether the first page of path in the page cache holds changes not
// yet written to the disk; false when the system does not tell this user.
bool firstPageDirty(const std::string& path, bool& dirty);

bool readTimes(const std::string& path, FileTimes& times);
bool setTimes(const std::string& path, const FileTimes& times);
// The current time, and the length of one day, in the units of FileTimes.
std::int64_t timeNow();
std::int64_t oneDay();

bool setReadOnly(const std::string& path, bool readOnly);
// Whether the system keeps writers out of a read-only file. Windows does, but
// Wine running as the superuser lets the host grant the write anyway.
bool readOnlyKeepsWritersOut(const std::string& path);

// Leaves a failure code in the place where the system reports the last error,
// as an earlier unrelated call might.
void leaveStaleError();

// Another opener holding the file for as long as this object lives.
class HeldFile {
public:
    enum class Kind {
        ReadHandle, // Windows: another handle open for reading, sharing all
        WriteHandle, // Windows: another handle open for writing, sharing all
        FlockShared, // POSIX: another descriptor holds flock(LOCK_SH)
        FlockExclusive, // POSIX: another descriptor holds flock(LOCK_EX)
        FcntlRead, // POSIX: another descriptor holds an fcntl read lock
        FcntlWrite // POSIX: another descriptor holds an fcntl write lock
    };

    HeldFile(const std::string& path, Kind kind);
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    bool holding() const { return held; }

private:
    bool held = false;
    std::intptr_t handle = -1;
};

// The ways this platform lets another opener hold a file.
std::vector<HeldFile::Kind> holdKinds();

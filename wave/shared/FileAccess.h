#pragma once

#include "FileTime.h"

#include <cstdint>

// One file as the repair sees it: the few operations it needs, in the order it
// uses them. Each returns false on failure and leaves the reason to the
// platform. The repair is written against this interface only, so the same
// logic runs over real files on any platform and over test doubles.
class FileAccess {
public:
    virtual ~FileAccess() = default;

    // Opens an existing file for reading and writing, shared with no one.
    virtual bool open(const char* path) = 0;
    virtual bool isOpen() const = 0;
    virtual bool getLastWriteTime(FileTime& time) = 0;
    virtual bool getSize(std::uint64_t& size) = 0;
    // Reads up to count bytes at the current position; done tells how many
    // arrived (fewer only at the end of the file).
    virtual bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    // Moves to an absolute position from the start of the file.
    virtual bool seek(std::uint32_t offset) = 0;
    // Writes count bytes at the current position; done tells how many the
    // system took.
    virtual bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    // Sets the last-write time alone; other times stay as the system has them.
    virtual bool setLastWriteTime(const FileTime& time) = 0;
    // Releases the file. False when the system reports that what was written
    // may not have reached the file (a write-back error surfacing at close);
    // the file is released either way.
    virtual bool close() = 0;
};

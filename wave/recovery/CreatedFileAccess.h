#pragma once

#include "CreatedFile.h"
#include "RandomFileAccess.h"

#include <cstdint>

// A new file, open and written already, as the default rule repairs a file:
// opening it is taking it as it is, its size is the length it was given, and
// its flush is left to CreatedFile::finish, which makes it durable once
// repaired. It has no time worth keeping.
class CreatedFileAccess : public RandomFileAccess {
public:
    CreatedFileAccess(CreatedFile& file, std::uint64_t size) : file(file), size(size) {}

    bool open(const char*) override { return true; }
    bool isOpen() const override { return true; }
    bool getLastWriteTime(FileTime&) override { return true; }
    bool getSize(std::uint64_t& result) override {
        result = size;
        return true;
    }
    bool read(unsigned char*, std::uint32_t, std::uint32_t&) override { return false; }
    bool seek(std::uint32_t) override { return false; }
    bool write(const unsigned char*, std::uint32_t, std::uint32_t&) override { return false; }
    bool setLastWriteTime(const FileTime&) override { return false; }
    bool close() override { return true; }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override {
        return file.readAt(offset, buffer, count, done);
    }
    bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override {
        done = file.writeAt(offset, buffer, count) ? count : 0;
        return done == count;
    }
    bool flush() override { return true; }

private:
    CreatedFile& file;
    std::uint64_t size;
};

#pragma once

#include "CreatedFile.h"
#include "PositionalFileAccess.h"

#include <cstdint>

// A new file, open and written already, as the default rule repairs a file:
// its size is the length it was given, and its flush is left to
// CreatedFile::finish, which makes it durable once repaired.
class CreatedFileAccess : public PositionalFileAccess {
public:
    CreatedFileAccess(CreatedFile& file, std::uint64_t size) : PositionalFileAccess(size), file(file) {}

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
};

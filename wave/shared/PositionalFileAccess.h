#pragma once

#include "RandomFileAccess.h"

#include <cstdint>

// A file that is open already, of a size fixed from the start, reached only
// at offsets: opening it takes it as it is, the calls that share a position
// fail, and it has no time worth keeping.
class PositionalFileAccess : public RandomFileAccess {
public:
    explicit PositionalFileAccess(std::uint64_t size) : size(size) {}

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

protected:
    const std::uint64_t size;
};

#pragma once

#include "CreatedFile.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The new file of a revival, in memory: every name is free, and what is
// written stays in bytes.
class MemoryCreatedFile : public CreatedFile {
public:
    bool vacant(const char*) override { return true; }
    bool create(const char*) override { return true; }
    bool append(const unsigned char* at, std::uint32_t count) override {
        bytes.insert(bytes.end(), at, at + count);
        return true;
    }
    bool writeAt(std::uint64_t offset, const unsigned char* at, std::uint32_t count) override {
        if (bytes.size() < offset + count)
            bytes.resize(offset + count, 0);
        std::copy(at, at + count, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        return true;
    }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override {
        done = offset >= bytes.size()
            ? 0
            : static_cast<std::uint32_t>(std::min<std::uint64_t>(count, bytes.size() - offset));
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + done), buffer);
        return true;
    }
    bool resize(std::uint64_t size) override {
        bytes.resize(size, 0);
        return true;
    }
    bool finish() override { return finished = true; }
    bool rename(const char*) override { return true; }
    void abandon() override { bytes.clear(); }

    std::vector<unsigned char> bytes;
    bool finished = false;
};

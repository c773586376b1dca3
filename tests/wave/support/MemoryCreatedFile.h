#pragma once

#include "CreatedFile.h"

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
    bool finish() override { return finished = true; }
    void abandon() override { bytes.clear(); }

    std::vector<unsigned char> bytes;
    bool finished = false;
};

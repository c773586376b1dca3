#pragma once

#include "FileAccess.h"

#include <cstdint>

// A file layer that also reads and writes at any 64-bit offset and can wait
// until what it wrote is on the storage device. The positional calls neither
// use nor move the position that read, seek and write share.
class RandomFileAccess : public FileAccess {
public:
    // Reads up to count bytes at offset; done tells how many arrived (fewer
    // only at the end of the file).
    virtual bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    // Writes count bytes at offset; done tells how many the system took.
    virtual bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count,
        std::uint32_t& done) = 0;
    // Returns once everything written so far is on the storage device.
    virtual bool flush() = 0;
};

// Reads exactly count bytes at offset; false when the read failed or came up
// short.
inline bool readWhole(RandomFileAccess& file, std::uint64_t offset, unsigned char* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    return file.readAt(offset, buffer, count, done) && done == count;
}

#pragma once

#include <cstdint>

// A file made new, beside the one it is made from: created only where no file
// of its name exists, written from its start, and durable (with its name)
// before it counts as made. Each call returns false on failure and leaves the
// reason to the platform.
class CreatedFile {
public:
    virtual ~CreatedFile() = default;

    // Whether nothing has the name path yet, so create could take it.
    virtual bool vacant(const char* path) = 0;
    // Creates path for writing; fails where anything of that name exists.
    virtual bool create(const char* path) = 0;
    // Writes count bytes after those written so far.
    virtual bool append(const unsigned char* bytes, std::uint32_t count) = 0;
    // Writes count bytes at offset, past the end too (a gap reads as zeros),
    // leaving where append writes as it was.
    virtual bool writeAt(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count) = 0;
    // Reads up to count bytes at offset of what was written; done tells how
    // many arrived (fewer only at the end).
    virtual bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    // Makes the file size bytes long, cutting or extending it with zeros.
    virtual bool resize(std::uint64_t size) = 0;
    // Returns once the contents and the name are on the storage device, and
    // closes the file.
    virtual bool finish() = 0;
    // Gives a finished file the name path where nothing has that name (never
    // replacing what has it), and makes the new name durable; false, the file
    // keeping its name, where something has it or the move failed.
    virtual bool rename(const char* path) = 0;
    // Removes a file whose writing failed, so no partial file is left.
    virtual void abandon() = 0;
};

#pragma once

#include <cstdint>

// The bytes of a card, a disk or an image of one, for reading alone: the
// interface has no way to write, so nothing read through it can be changed.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The number of bytes the source holds.
    virtual std::uint64_t size() const = 0;
    // Reads up to count bytes at offset; done tells how many arrived, fewer
    // only at the end of the source. False on a read error, with done the bytes
    // that arrived before it and lastError() the system's code.
    virtual bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) = 0;
    // The system's code of the last failed read (errno, GetLastError), 0 when
    // none failed.
    virtual int lastError() const = 0;
    // The unit in which the device reads and fails: its logical sector.
    virtual std::uint32_t blockSize() const { return 512; }
    // The same bytes read past the system's cache, at any offset, each read
    // taken by the device in whole blocks of its blockSize(): where a cached
    // read failed, a whole block of the cache around the bad sectors did, and
    // reading the stretch again through this loses the bad sectors alone. Null
    // where there is none, or no cache to pass.
    virtual ByteSource* unbuffered() { return nullptr; }
    // The size of the device's logical sectors, in which its partition table
    // counts; 0 where the source cannot tell (an image file).
    virtual std::uint32_t logicalSectorSize() const { return 0; }
};

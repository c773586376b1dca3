#pragma once

#include "FakeFileAccess.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// An in-memory file that also records every read it is asked for, before the
// file layer cuts the read at the end of the file.
class ImageFile : public FakeFileAccess {
public:
    struct Request {
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        bool positional = false;
    };

    using FakeFileAccess::FakeFileAccess;

    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;

    // The byte at offset as the file holds it; zero in the hole.
    unsigned char peek(std::uint64_t offset) const;
    std::uint32_t peekU32(std::uint64_t offset) const;
    std::uint64_t peekU64(std::uint64_t offset) const;

    std::vector<Request> reads;
};

// A file image as a fuzzing input spells it, so that a few bytes reach files
// of any size:
//   byte 0      bit 0: keep the last-write time; bits 1-2: size mode;
//               bit 3: drop pad bytes
//   bytes 1-4   n, unsigned 32-bit little-endian
//   bytes 5...  the file's first bytes
// Size modes: 0 the bytes given; 1 the bytes given and n zeros; 2 the bytes
// given and n times 64 KiB of zeros; 3 4 GiB + 8 + n as a signed number
// (around the largest size 32-bit fields hold). A size below the bytes given
// cuts them. Missing bytes of the first five count as zero. Dropping pad
// bytes, the zero byte after each odd chunk from the audio's on leaves the
// bytes given, as far as their chunks go, and the container size at 4 drops
// by as many, as writers that leave pad bytes out lay a file down.
struct FuzzImage {
    ImageFile file{{}, 0};
    bool keepTime = false;
    // Where pad bytes were dropped, the image with them.
    bool padsDropped = false;
    ImageFile withPads{{}, 0};
};

FuzzImage decodeFuzzImage(const unsigned char* data, std::size_t size);

#pragma once

#include "PositionalFileAccess.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A file of size bytes that exists only as a planned header: its first bytes
// are header, the rest read as zeros, and nothing can be written. The
// default rule judges a header planned before it goes to the disk through
// it.
class HeaderImage : public PositionalFileAccess {
public:
    HeaderImage(const std::vector<unsigned char>& header, std::uint64_t size)
        : HeaderImage(header.data(), header.size(), size) {}
    // The count bytes at bytes, which must outlive the image.
    HeaderImage(const unsigned char* bytes, std::size_t count, std::uint64_t size)
        : PositionalFileAccess(size), bytes(bytes), held(count) {}

    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool writeAt(std::uint64_t, const unsigned char*, std::uint32_t, std::uint32_t&) override { return false; }
    bool flush() override { return false; }

private:
    const unsigned char* bytes;
    std::size_t held;
};

// Whether the default rule finds a file of fileSize bytes that begins with
// header sound, its audio running from the end of header to the end.
bool soundHeader(const std::vector<unsigned char>& header, std::uint64_t fileSize);

#include "Id3Tag.h"

#include <cstring>

namespace {

constexpr std::uint64_t id3v1Length = 128;
constexpr std::uint64_t id3v2HeaderLength = 10;
constexpr unsigned char footerFlag = 0x10;

// The length of an ID3v2 tag from its header or footer, whose first three
// bytes are mark; 0 when the ten bytes are not one.
std::uint64_t id3v2Length(const unsigned char* bytes, const char* mark) {
    if (std::memcmp(bytes, mark, 3) != 0 || bytes[3] < 2 || bytes[3] > 4 || bytes[4] == 0xFF)
        return 0;
    std::uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (bytes[i] & 0x80)
            return 0;
        size = size << 7 | bytes[i];
    }
    const bool footer = bytes[3] == 4 && (bytes[5] & footerFlag) != 0;
    return id3v2HeaderLength + size + (footer ? id3v2HeaderLength : 0);
}

}

std::uint64_t id3TagAt(const unsigned char* bytes, std::uint32_t got, std::uint64_t at, std::uint64_t fileSize) {
    if (got >= 3 && std::memcmp(bytes, "TAG", 3) == 0 && fileSize - at == id3v1Length)
        return id3v1Length;
    if (got < id3ProbeBytes)
        return 0;
    const std::uint64_t length = id3v2Length(bytes, "ID3");
    return length <= fileSize - at ? length : 0;
}

std::uint64_t id3TagEndingWith(const unsigned char* footer) {
    // Only a version 4 tag has a footer, and it says so in its flags.
    if (footer[3] != 4 || (footer[5] & footerFlag) == 0)
        return 0;
    return id3v2Length(footer, "3DI");
}

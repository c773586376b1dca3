#include "FuzzImage.h"

#include <algorithm>

bool ImageFile::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    reads.push_back({position, count, false});
    return FakeFileAccess::read(buffer, count, done);
}

bool ImageFile::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    reads.push_back({offset, count, true});
    return FakeFileAccess::readAt(offset, buffer, count, done);
}

unsigned char ImageFile::peek(std::uint64_t offset) const {
    if (offset >= size)
        return 0;
    if (offset < head.size())
        return head[offset];
    const auto found = scattered.find(offset);
    return found == scattered.end() ? 0 : found->second;
}

std::uint32_t ImageFile::peekU32(std::uint64_t offset) const {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < 4; ++i)
        value |= std::uint32_t(peek(offset + i)) << (8 * i);
    return value;
}

std::uint64_t ImageFile::peekU64(std::uint64_t offset) const {
    return std::uint64_t(peekU32(offset)) | std::uint64_t(peekU32(offset + 4)) << 32;
}

FuzzImage decodeFuzzImage(const unsigned char* data, std::size_t size) {
    constexpr std::size_t prefix = 5;
    unsigned char options[prefix] = {};
    std::copy(data, data + std::min(size, prefix), options);
    const std::uint32_t n = std::uint32_t(options[1]) | std::uint32_t(options[2]) << 8 | std::uint32_t(options[3]) << 16
        | std::uint32_t(options[4]) << 24;
    const std::uint64_t given = size > prefix ? size - prefix : 0;

    std::uint64_t fileSize = given;
    switch ((options[0] >> 1) & 3) {
    case 1:
        fileSize = given + n;
        break;
    case 2:
        fileSize = given + (std::uint64_t(n) << 16);
        break;
    case 3:
        fileSize = 0x100000008ull + static_cast<std::int32_t>(n);
        break;
    }
    const unsigned char* bytes = size > prefix ? data + prefix : data;
    const std::size_t kept = static_cast<std::size_t>(std::min(given, fileSize));
    FuzzImage image;
    image.file = ImageFile(std::vector<unsigned char>(bytes, bytes + kept), fileSize);
    image.keepTime = (options[0] & 1) != 0;
    return image;
}

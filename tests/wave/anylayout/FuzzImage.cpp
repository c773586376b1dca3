#include "FuzzImage.h"

#include "ChunkHeader.h"

#include <algorithm>
#include <cstddef>
#include <utility>

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

namespace {

// Drops the pad bytes of FuzzImage.h from a file's first bytes; returns how
// many.
std::uint32_t dropPadBytes(std::vector<unsigned char>& bytes) {
    const ByteOrder order =
        bytes.size() >= 4 && loadU32(bytes.data()) == fourCC("FORM") ? ByteOrder::Big : ByteOrder::Little;
    std::uint32_t dropped = 0;
    bool afterAudio = false;
    for (std::uint64_t at = 12, count = 0;
         count < maxChunks && at + ChunkHeader::bytes <= bytes.size() && isChunkId(&bytes[at]); ++count) {
        const ChunkHeader chunk = decodeChunkHeader(&bytes[at], order);
        afterAudio = afterAudio || chunk.id == fourCC("SSND") || chunk.id == fourCC("data");
        const std::uint64_t end = at + ChunkHeader::bytes + chunk.size;
        const bool dropsPad = afterAudio && (chunk.size & 1) != 0 && end < bytes.size() && bytes[end] == 0;
        if (dropsPad) {
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(end));
            ++dropped;
        }
        at = dropsPad ? end : chunk.endFrom(at);
    }
    if (dropped != 0 && bytes.size() >= 8)
        storeUnsigned(&bytes[4], loadUnsigned(&bytes[4], 4, order) - dropped, 4, order);
    return dropped;
}

ImageFile imageOf(std::vector<unsigned char> bytes, unsigned sizeMode, std::uint32_t n) {
    std::uint64_t fileSize = bytes.size();
    switch (sizeMode) {
    case 1:
        fileSize += n;
        break;
    case 2:
        fileSize += std::uint64_t(n) << 16;
        break;
    case 3:
        fileSize = 0x100000008ull + static_cast<std::int32_t>(n);
        break;
    }
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), fileSize)));
    return ImageFile(std::move(bytes), fileSize);
}

}

FuzzImage decodeFuzzImage(const unsigned char* data, std::size_t size) {
    constexpr std::size_t prefix = 5;
    unsigned char options[prefix] = {};
    std::copy(data, data + std::min(size, prefix), options);
    const std::uint32_t n = std::uint32_t(options[1]) | std::uint32_t(options[2]) << 8 | std::uint32_t(options[3]) << 16
        | std::uint32_t(options[4]) << 24;
    const unsigned sizeMode = (options[0] >> 1) & 3;
    std::vector<unsigned char> given;
    if (size > prefix)
        given.assign(data + prefix, data + size);
    FuzzImage image;
    image.file = imageOf(given, sizeMode, n);
    image.keepTime = (options[0] & 1) != 0;
    std::vector<unsigned char> unpadded = given;
    if ((options[0] & 8) != 0 && dropPadBytes(unpadded) != 0) {
        image.padsDropped = true;
        image.withPads = image.file;
        image.file = imageOf(std::move(unpadded), sizeMode, n);
    }
    return image;
}

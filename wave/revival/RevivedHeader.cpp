#include "RevivedHeader.h"

#include "ChunkHeader.h"

#include <algorithm>

namespace {

constexpr std::uint64_t largest32 = 0xFFFFFFFFu;
constexpr std::uint32_t ds64Bytes = ChunkHeader::bytes + 28;
constexpr std::uint32_t factBytes = ChunkHeader::bytes + 4;

class HeaderWriter {
public:
    explicit HeaderWriter(std::vector<unsigned char>& bytes) : bytes(bytes) { bytes.clear(); }

    void id(const char (&tag)[5]) { number(fourCC(tag), 4); }
    void number(std::uint64_t value, unsigned width) {
        bytes.resize(bytes.size() + width);
        storeUnsigned(bytes.data() + bytes.size() - width, value, width, ByteOrder::Little);
    }
    void chunk(const char (&tag)[5], std::uint64_t size) {
        id(tag);
        number(size, 4);
    }

private:
    std::vector<unsigned char>& bytes;
};

}

bool buildRevivedHeader(const RevivalFormat& format, std::uint64_t audioBytes, std::uint64_t room,
    std::vector<unsigned char>& header) {
    const std::uint64_t formatBytes = ChunkHeader::bytes + padded(format.formatBody.size());
    const std::uint64_t narrow = 12 + formatBytes + (format.needsFact ? factBytes : 0) + ChunkHeader::bytes;
    std::uint64_t length = room > 0 ? room : narrow;
    const bool wide = length + audioBytes - 8 > largest32;
    const std::uint64_t shortest = narrow + (wide ? ds64Bytes : 0);
    if (room > 0 && room != shortest && (room < shortest + ChunkHeader::bytes || room % 2 != 0))
        return false;
    length = std::max(length, shortest);

    const std::uint64_t riffSize = length + audioBytes - 8;
    const std::uint64_t frames = audioBytes / format.samples.frameBytes();
    HeaderWriter out(header);
    if (wide) {
        out.chunk("RF64", largest32);
        out.id("WAVE");
        out.chunk("ds64", 28);
        out.number(riffSize, 8);
        out.number(audioBytes, 8);
        out.number(frames, 8);
        out.number(0, 4);
    } else {
        out.chunk("RIFF", riffSize);
        out.id("WAVE");
    }
    out.chunk("fmt ", format.formatBody.size());
    header.insert(header.end(), format.formatBody.begin(), format.formatBody.end());
    if (format.formatBody.size() % 2 != 0)
        header.push_back(0);
    if (format.needsFact) {
        out.chunk("fact", 4);
        out.number(std::min(frames, largest32), 4);
    }
    if (length > shortest) {
        const std::uint64_t junk = length - shortest - ChunkHeader::bytes;
        out.chunk("JUNK", junk);
        header.resize(header.size() + junk, 0);
    }
    out.chunk("data", wide ? largest32 : audioBytes);
    return true;
}

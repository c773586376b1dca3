#include "SurvivingHeader.h"

#include "ChunkHeader.h"
#include "WaveFormatChunk.h"

#include <algorithm>

namespace {

constexpr std::uint64_t largest32 = 0xFFFFFFFFu;
constexpr std::uint32_t none = 0xFFFFFFFFu;
constexpr std::uint64_t formEnd = 12;
constexpr std::uint32_t ds64Bytes = ChunkHeader::bytes + 28;
constexpr std::uint32_t factBytes = ChunkHeader::bytes + 4;

bool isId(const unsigned char* at, const char (&tag)[5]) {
    return loadU32(at) == fourCC(tag);
}

void put(std::vector<unsigned char>& bytes, std::uint64_t at, std::uint64_t value, unsigned width) {
    storeUnsigned(bytes.data() + at, value, width, ByteOrder::Little);
}

void putId(std::vector<unsigned char>& bytes, std::uint64_t at, const char (&tag)[5]) {
    put(bytes, at, fourCC(tag), 4);
}

// For each even offset from 12 below count, the data chunk that whole chunks
// from there lead to (none when they lead to none within count), indexed by
// half the offset.
std::vector<std::uint32_t> dataLeads(const unsigned char* bytes, std::size_t count) {
    std::vector<std::uint32_t> lead(count / 2, none);
    for (std::size_t at = (count - ChunkHeader::bytes) & ~std::size_t(1); at >= formEnd; at -= 2) {
        if (isId(bytes + at, "data")) {
            lead[at / 2] = static_cast<std::uint32_t>(at);
        } else if (isChunkId(bytes + at)) {
            const std::uint64_t end = decodeChunkHeader(bytes + at, ByteOrder::Little).endFrom(at);
            if (end + ChunkHeader::bytes <= count)
                lead[at / 2] = lead[end / 2];
        }
    }
    return lead;
}

void noteChunks(const unsigned char* bytes, SurvivingHeader& survivors) {
    for (std::uint64_t at = survivors.chainAt; at < survivors.dataAt;) {
        const ChunkHeader chunk = decodeChunkHeader(bytes + at, ByteOrder::Little);
        if (chunk.id == fourCC("fmt ") && survivors.formatAt == 0) {
            survivors.formatAt = at;
            survivors.formatSize = chunk.size;
            FrameFormat frame;
            survivors.formatValid =
                readFrameFormat(bytes + at + ChunkHeader::bytes, chunk.size, frame) == LayoutFault::None;
        } else if (chunk.id == fourCC("fact") && chunk.size >= 4) {
            survivors.factAt = at;
        } else if (chunk.id == fourCC("ds64") && at == formEnd && chunk.size >= 28) {
            survivors.ds64 = true;
        }
        at = chunk.endFrom(at);
    }
}

// The fmt body a lost one is replaced with: format's own, or a plain one of
// the same samples where only that fits size bytes.
bool bodyFor(const RevivalFormat& format, std::uint64_t size, std::vector<unsigned char>& body) {
    body = format.formatBody;
    if (body.size() == size)
        return true;
    RevivalFormat plain;
    if (!statedFormat(loadU32(format.formatBody.data() + 4), 8 * format.samples.width, format.samples.channels,
            format.samples.isFloat, plain))
        return false;
    body = plain.formatBody;
    return body.size() == size;
}

}

SurvivingHeader findSurvivingHeader(const unsigned char* bytes, std::size_t count) {
    SurvivingHeader survivors;
    // The walks need look no further than the last data chunk header there is.
    std::size_t last = 0;
    for (std::size_t at = formEnd; at + ChunkHeader::bytes <= count; at += 2)
        if (isId(bytes + at, "data"))
            last = at;
    if (last == 0)
        return survivors;
    count = last + ChunkHeader::bytes;
    const std::vector<std::uint32_t> lead = dataLeads(bytes, count);
    std::vector<std::uint32_t> earliest(lead.size(), none);
    for (std::size_t at = formEnd; at / 2 < lead.size(); at += 2)
        if (lead[at / 2] != none && earliest[lead[at / 2] / 2] == none)
            earliest[lead[at / 2] / 2] = static_cast<std::uint32_t>(at);
    for (std::size_t at = formEnd; at + ChunkHeader::bytes <= count; at += 2) {
        if (!isId(bytes + at, "data"))
            continue;
        const std::uint32_t chainAt = earliest[at / 2];
        if (chainAt < at || std::all_of(bytes + formEnd, bytes + chainAt, [](unsigned char b) { return b == 0; })) {
            survivors.found = true;
            survivors.dataAt = at;
            survivors.chainAt = chainAt;
            noteChunks(bytes, survivors);
            return survivors;
        }
    }
    return survivors;
}

bool completeSurvivingHeader(const unsigned char* bytes, const SurvivingHeader& survivors, const RevivalFormat& format,
    std::uint64_t fileSize, std::vector<unsigned char>& header) {
    const std::uint64_t audioAt = survivors.audioAt();
    const std::uint64_t audioBytes = fileSize - audioAt;
    const std::uint64_t frames = audioBytes / format.samples.frameBytes();
    const bool wide = fileSize - 8 > largest32;
    const bool rf64 = wide || survivors.ds64;

    // What fills the lost bytes from 12: ds64 first, then a fmt chunk (and
    // fact) where none survives, then JUNK.
    std::vector<unsigned char> body;
    const bool needFormat = survivors.formatAt == 0;
    if (!survivors.formatValid && !bodyFor(format, needFormat ? format.formatBody.size() : survivors.formatSize, body))
        return false;
    const bool needDs64 = wide && !survivors.ds64;
    const bool needFact = needFormat && format.needsFact && survivors.factAt == 0;
    std::uint64_t filler = (needDs64 ? ds64Bytes : 0) + (needFact ? factBytes : 0);
    const std::uint64_t lost = survivors.chainAt - formEnd;
    if (needFormat) {
        const auto fits = [&] {
            const std::uint64_t all = filler + ChunkHeader::bytes + padded(body.size());
            return lost == all || (lost >= all + ChunkHeader::bytes && (lost - all) % 2 == 0);
        };
        if (!fits() && !(bodyFor(format, 16 + (format.samples.isFloat ? 2 : 0), body) && fits()))
            return false;
        filler += ChunkHeader::bytes + padded(body.size());
    } else if (lost != filler && (lost < filler + ChunkHeader::bytes || (lost - filler) % 2 != 0)) {
        return false;
    }

    header.assign(bytes, bytes + audioAt);
    putId(header, 0, rf64 ? "RF64" : "RIFF");
    put(header, 4, rf64 ? largest32 : fileSize - 8, 4);
    putId(header, 8, "WAVE");
    std::uint64_t at = formEnd;
    const std::uint64_t ds64At = needDs64 ? at : survivors.ds64 ? formEnd : 0;
    if (needDs64) {
        putId(header, at, "ds64");
        put(header, at + 4, 28, 4);
        put(header, at + 32, 0, 4);
        at += ds64Bytes;
    }
    if (ds64At != 0) {
        put(header, ds64At + 8, fileSize - 8, 8);
        put(header, ds64At + 16, audioBytes, 8);
        put(header, ds64At + 24, frames, 8);
    }
    if (needFormat) {
        putId(header, at, "fmt ");
        put(header, at + 4, body.size(), 4);
        std::copy(body.begin(), body.end(), header.begin() + at + ChunkHeader::bytes);
        if (body.size() % 2 != 0)
            header[at + ChunkHeader::bytes + body.size()] = 0;
        at += ChunkHeader::bytes + padded(body.size());
    } else if (!survivors.formatValid) {
        std::copy(body.begin(), body.end(), header.begin() + survivors.formatAt + ChunkHeader::bytes);
    }
    const std::uint64_t factAt = needFact ? at : survivors.factAt;
    if (needFact) {
        putId(header, at, "fact");
        put(header, at + 4, 4, 4);
        at += factBytes;
    }
    if (factAt != 0)
        put(header, factAt + 8, std::min(frames, largest32), 4);
    if (at < survivors.chainAt) {
        putId(header, at, "JUNK");
        put(header, at + 4, survivors.chainAt - at - ChunkHeader::bytes, 4);
    }
    put(header, survivors.dataAt + 4, rf64 ? largest32 : audioBytes, 4);
    return true;
}

#include "WaveLayout.h"

#include "Id3Tag.h"
#include "LittleEndian.h"
#include "WaveHeader.h"

#include <algorithm>

namespace {

// riffSize, dataSize and sampleCount of 64 bits, then the table length.
constexpr std::uint32_t ds64Fields = 28;

constexpr std::uint32_t tagOf(const char (&text)[5])
{
    return WaveHeader::tag(text);
}

bool readWhole(RandomFileAccess& file, std::uint64_t offset, unsigned char* buffer, std::uint32_t count)
{
    std::uint32_t done = 0;
    return file.readAt(offset, buffer, count, done) && done == count;
}

// A chunk identifier: four printable ASCII characters, the first not a space.
bool isChunkTag(const unsigned char* at)
{
    return at[0] != ' ' && std::all_of(at, at + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
}

// Records a fault; the reads so far succeeded, so the walk itself did too.
bool refuse(LayoutFindings& findings, LayoutFault why, std::uint64_t at = 0, std::uint32_t tag = 0,
    std::uint32_t size = 0)
{
    findings.fault = why;
    findings.offset = at;
    findings.tag = tag;
    findings.chunkSize = size;
    return true;
}

// Reads the body of a chunk the sizes depend on: ds64 (or the room for it),
// fmt and fact. Every other chunk stays unread.
bool readBody(RandomFileAccess& file, std::uint64_t at, std::uint32_t id, std::uint32_t size,
    WaveLayout& layout, bool& formatSeen, LayoutFindings& findings)
{
    if (at == 12 && (id == tagOf("ds64") || (!layout.wide && id == tagOf("JUNK")))) {
        if (size < ds64Fields)
            return layout.wide ? refuse(findings, LayoutFault::ShortChunk, at, id, size) : true;
        unsigned char body[ds64Fields];
        if (!readWhole(file, at + 8, body, ds64Fields))
            return false;
        layout.firstTag = id;
        layout.ds64Room = !layout.wide;
        layout.ds64Riff = loadU64(body);
        layout.ds64Data = loadU64(body + 8);
        layout.ds64Samples = loadU64(body + 16);
        layout.ds64Table = loadU32(body + 24);
    } else if (id == tagOf("fmt ")) {
        if (formatSeen)
            return refuse(findings, LayoutFault::RepeatedChunk, at, id, size);
        formatSeen = true;
        unsigned char body[frameFormatBytes] = {};
        if (!readWhole(file, at + 8, body, std::min(size, frameFormatBytes)))
            return false;
        const LayoutFault why = readFrameFormat(body, size, layout.format);
        findings.format = layout.format;
        if (why != LayoutFault::None)
            return refuse(findings, why, at, id, size);
    } else if (id == tagOf("fact")) {
        if (layout.hasFact)
            return refuse(findings, LayoutFault::RepeatedChunk, at, id, size);
        if (size < 4)
            return refuse(findings, LayoutFault::ShortChunk, at, id, size);
        unsigned char body[4];
        if (!readWhole(file, at + 8, body, 4))
            return false;
        layout.hasFact = true;
        layout.factAt = at + 8;
        layout.factFrames = loadU32(body);
    }
    return true;
}

// How the walk over what follows the stored data ended.
struct TrailWalk {
    WaveLayout::Trail trail = WaveLayout::Trail::Chunks;
    LayoutFault fault = LayoutFault::None;
    std::uint64_t at = 0;
    std::uint32_t tag = 0;
    std::uint64_t contentEnd = 0;
};

bool broken(TrailWalk& walk, LayoutFault why, std::uint64_t at, std::uint32_t tag)
{
    walk.trail = WaveLayout::Trail::Broken;
    walk.fault = why;
    walk.at = at;
    walk.tag = tag;
    return true;
}

// Walks from at, where the stored data ends, over whole chunks and ID3 tags to
// the end of the file. Reads only where their headers stand.
bool walkTrail(RandomFileAccess& file, std::uint64_t fileSize, bool wide, std::uint64_t at, TrailWalk& walk)
{
    walk = TrailWalk();
    walk.contentEnd = fileSize;
    bool inTags = false;
    for (int count = 0; at < fileSize; ++count) {
        unsigned char header[id3ProbeBytes];
        const std::uint32_t got =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(id3ProbeBytes, fileSize - at));
        if (!readWhole(file, at, header, got))
            return false;
        const bool isChunk = got >= 4 && isChunkTag(header);
        if (count == maxChunks)
            return broken(walk, LayoutFault::TooManyChunks, at, isChunk ? loadU32(header) : 0);
        if (const std::uint64_t tag = id3TagAt(header, got, at, fileSize)) {
            if (!inTags)
                walk.contentEnd = at;
            inTags = true;
            at += tag;
            continue;
        }
        inTags = false;
        walk.contentEnd = fileSize;
        if (!isChunk) {
            if (count == 0) {
                walk.trail = WaveLayout::Trail::NotAChunk;
                return true;
            }
            return broken(walk, LayoutFault::DamagedAfterData, at, 0);
        }
        const std::uint32_t id = loadU32(header);
        if (got < 8)
            return broken(walk, LayoutFault::DamagedAfterData, at, id);
        const std::uint32_t size = loadU32(header + 4);
        if (wide && size == noSize)
            return broken(walk, LayoutFault::TableSized, at, id);
        if (size > fileSize - at - 8)
            return broken(walk, LayoutFault::DamagedAfterData, at, id);
        // A last chunk may end without its pad byte.
        at += 8 + std::uint64_t(size) + (size & 1);
    }
    return true;
}

// Where the ID3 tags that close the file begin, for audio running from from
// to the end: an ID3v1 tag in the last 128 bytes, and before it an ID3v2 tag
// found by its footer. Reads the 3 and 10 bytes where those would stand.
bool tagsClosingTheFile(RandomFileAccess& file, std::uint64_t from, std::uint64_t fileSize, std::uint64_t& start)
{
    start = fileSize;
    unsigned char bytes[id3ProbeBytes];
    if (start - from >= 128) {
        if (!readWhole(file, start - 128, bytes, 3))
            return false;
        if (id3TagAt(bytes, 3, start - 128, fileSize) != 0)
            start -= 128;
    }
    if (start - from >= id3ProbeBytes) {
        if (!readWhole(file, start - id3ProbeBytes, bytes, id3ProbeBytes))
            return false;
        const std::uint64_t length = id3TagEndingWith(bytes);
        if (length != 0 && length <= start - from)
            start -= length;
    }
    return true;
}

// Judges what follows the stored data. Each data size the fields state is
// tried, the one readers go by first, at its end with the pad byte and, for an
// odd size, without (writers that leave the pad byte out exist): the first
// whose end is followed by whole chunks and tags alone is the stored size.
// Failing that, the first one's judgement stands.
bool judgeTrail(RandomFileAccess& file, std::uint64_t fileSize, WaveLayout& layout)
{
    const std::uint64_t toEnd = fileSize - layout.payloadAt();
    std::uint64_t sizes[2] = {layout.dataSize == noSize ? UINT64_MAX : layout.dataSize, 0};
    std::size_t sizeCount = 1;
    if (layout.wide) {
        sizes[0] = layout.ds64Data;
        if (layout.dataSize != noSize && layout.dataSize != layout.ds64Data)
            sizes[sizeCount++] = layout.dataSize;
    }
    layout.stored = sizes[0];
    layout.trail = WaveLayout::Trail::PastTheEnd;
    bool judged = false;
    for (std::size_t i = 0; i < sizeCount; ++i) {
        const std::uint64_t size = sizes[i];
        if (size == toEnd) {
            layout.stored = size;
            layout.trail = WaveLayout::Trail::PastTheEnd;
            layout.contentEnd = fileSize;
            return true;
        }
        if (size > toEnd) {
            judged = true;
            continue;
        }
        const std::uint64_t end = layout.payloadAt() + size;
        for (const std::uint64_t at : {end + (size & 1), end}) {
            TrailWalk walk;
            if (!walkTrail(file, fileSize, layout.wide, at, walk))
                return false;
            if (walk.trail == WaveLayout::Trail::Chunks) {
                layout.stored = size;
                layout.trail = walk.trail;
                layout.contentEnd = walk.contentEnd;
                return true;
            }
            if (!judged) {
                layout.trail = walk.trail;
                layout.trailFault = walk.fault;
                layout.trailAt = walk.at;
                layout.trailTag = walk.tag;
                judged = true;
            }
            if ((size & 1) == 0)
                break;
        }
    }
    // The audio runs to the end, short of the tags that close the file.
    return tagsClosingTheFile(file, layout.payloadAt(), fileSize, layout.contentEnd);
}

}

bool readWaveLayout(RandomFileAccess& file, std::uint64_t fileSize, WaveLayout& layout,
    LayoutFindings& findings)
{
    layout = WaveLayout();
    findings.fault = LayoutFault::None;
    unsigned char riff[12];
    if (fileSize < 12 || !readWhole(file, 0, riff, 12))
        return false;
    const std::uint32_t form = loadU32(riff);
    layout.wide = form == tagOf("RF64") || form == tagOf("BW64");
    if ((form != tagOf("RIFF") && !layout.wide) || loadU32(riff + 8) != tagOf("WAVE"))
        return refuse(findings, LayoutFault::NotRiffWave);
    layout.riffSize = loadU32(riff + 4);

    bool formatSeen = false;
    for (std::uint64_t at = 12, count = 0;; ++count) {
        if (count == maxChunks)
            return refuse(findings, LayoutFault::TooManyChunks, at);
        if (at == fileSize)
            return refuse(findings, LayoutFault::NoDataChunk);
        if (fileSize - at < 8)
            return refuse(findings, LayoutFault::CutChunkHeader, at);
        unsigned char header[8];
        if (!readWhole(file, at, header, 8))
            return false;
        const std::uint32_t id = loadU32(header);
        const std::uint32_t size = loadU32(header + 4);
        if (!isChunkTag(header))
            return refuse(findings, LayoutFault::DamagedChunk, at);
        if (at == 12 && layout.wide && id != tagOf("ds64"))
            return refuse(findings, LayoutFault::NoDs64, at, id, size);
        if (id == tagOf("data")) {
            layout.dataAt = at;
            layout.dataSize = size;
            break;
        }
        if (layout.wide && size == noSize)
            return refuse(findings, LayoutFault::TableSized, at, id, size);
        if (size > fileSize - at - 8)
            return refuse(findings, LayoutFault::ChunkPastEnd, at, id, size);
        if (!readBody(file, at, id, size, layout, formatSeen, findings))
            return false;
        if (findings.fault != LayoutFault::None)
            return true;
        at = std::min(fileSize, at + 8 + size + (size & 1));
    }
    if (!formatSeen)
        return refuse(findings, LayoutFault::NoFormatChunk, layout.dataAt, tagOf("data"), layout.dataSize);
    return judgeTrail(file, fileSize, layout);
}

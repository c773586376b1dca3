#include "RiffLayout.h"

#include "ChunkHeader.h"
#include "ChunkWalk.h"
#include "WaveFormatChunk.h"

#include <algorithm>

namespace {

// riffSize, dataSize and sampleCount of 64 bits, then the table length.
constexpr std::uint32_t ds64Fields = 28;

// Reads the body of a chunk the sizes depend on: ds64 (or the room for it),
// fmt and fact. Every other chunk stays unread.
bool readBody(RandomFileAccess& file, std::uint64_t at, std::uint32_t id, std::uint32_t size, RiffLayout& layout,
    bool& formatSeen, LayoutFindings& findings) {
    if (at == 12 && (id == fourCC("ds64") || (!layout.wide && id == fourCC("JUNK")))) {
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
    } else if (id == fourCC("fmt ")) {
        if (formatSeen)
            return refuse(findings, LayoutFault::RepeatedChunk, at, id, size);
        formatSeen = true;
        layout.formatAt = at + 8;
        layout.formatSize = size;
        unsigned char body[frameFormatBytes] = {};
        if (!readWhole(file, at + 8, body, std::min(size, frameFormatBytes)))
            return false;
        const LayoutFault why = readFrameFormat(body, size, layout.format);
        findings.format = layout.format;
        if (why != LayoutFault::None)
            return refuse(findings, why, at, id, size);
    } else if (id == fourCC("fact")) {
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

// The data sizes the fields state, the one readers go by first: in a wide
// file ds64's, then a 32-bit field that holds another value.
std::size_t storedDataSizes(const RiffLayout& layout, std::uint64_t (&sizes)[2]) {
    if (!layout.wide) {
        sizes[0] = layout.dataSize == unknownDataSize ? UINT64_MAX : layout.dataSize;
        return 1;
    }
    sizes[0] = layout.ds64Data;
    sizes[1] = layout.dataSize;
    return layout.dataSize != deferToDs64 && layout.dataSize != layout.ds64Data ? 2 : 1;
}

}

bool readRiffLayout(RandomFileAccess& file, const unsigned char* form, std::uint64_t fileSize, RiffLayout& layout,
    LayoutFindings& findings) {
    layout = RiffLayout();
    findings.fault = LayoutFault::None;
    const std::uint32_t id = loadU32(form);
    layout.wide = id == fourCC("RF64") || id == fourCC("BW64");
    if ((id != fourCC("RIFF") && !layout.wide) || loadU32(form + 8) != fourCC("WAVE"))
        return refuse(findings, LayoutFault::UnknownContainer);
    layout.riffSize = loadU32(form + 4);

    bool formatSeen = false;
    for (std::uint64_t at = 12, count = 0;; ++count) {
        ChunkHeader chunk;
        if (!readChunkBeforeAudio(file, fileSize, at, count, ByteOrder::Little, chunk, findings))
            return false;
        if (findings.fault != LayoutFault::None)
            return true;
        if (at == 12 && layout.wide && chunk.id != fourCC("ds64"))
            return refuse(findings, LayoutFault::NoDs64, at, chunk.id, chunk.size);
        if (chunk.id == fourCC("data")) {
            layout.dataAt = at;
            layout.dataSize = chunk.size;
            break;
        }
        if (layout.wide && chunk.size == deferToDs64)
            return refuse(findings, LayoutFault::TableSized, at, chunk.id, chunk.size);
        if (chunk.size > fileSize - at - ChunkHeader::bytes)
            return refuse(findings, LayoutFault::ChunkPastEnd, at, chunk.id, chunk.size);
        if (!readBody(file, at, chunk.id, chunk.size, layout, formatSeen, findings))
            return false;
        if (findings.fault != LayoutFault::None)
            return true;
        at = std::min(fileSize, chunk.endFrom(at));
    }
    if (!formatSeen)
        return refuse(findings, LayoutFault::NoFormatChunk, layout.dataAt, fourCC("data"), layout.dataSize);
    std::uint64_t sizes[2];
    const std::size_t count = storedDataSizes(layout, sizes);
    ChunkRules rules;
    rules.allOnesIsTableSized = layout.wide;
    return judgeAudioEnd(file, fileSize, layout.payloadAt(), sizes, count, rules, layout.audioEnd);
}

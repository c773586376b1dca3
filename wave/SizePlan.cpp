#include "SizePlan.h"

#include "LittleEndian.h"
#include "WaveHeader.h"

namespace {

constexpr std::uint64_t ds64At = 20;

// Adds a write of value in width bytes at offset when the field holds
// something else.
void change(SizePlan& plan, std::uint64_t offset, std::uint64_t held, std::uint64_t value, unsigned width)
{
    if (held == value)
        return;
    SizePlan::Write& write = plan.writes[plan.count++];
    write.offset = offset;
    write.count = width;
    storeLittleEndian(write.bytes, value, width);
}

// A 32-bit field of a 64-bit form is sound when it holds the value or defers
// to ds64; otherwise it is set to defer.
void defer(SizePlan& plan, std::uint64_t offset, std::uint32_t held, std::uint64_t value)
{
    if (held != value)
        change(plan, offset, held, noSize, 4);
}

// The data size the file calls for: the stored one where the data chunk is
// whole, else all bytes to the end short of the tags that close the file.
LayoutFault newDataSize(const WaveLayout& layout, std::uint64_t& dataSize)
{
    const std::uint64_t stored = layout.stored;
    dataSize = layout.contentEnd - layout.payloadAt();
    if (layout.trail == WaveLayout::Trail::PastTheEnd || layout.trail == WaveLayout::Trail::NotAChunk)
        return LayoutFault::None;
    if (layout.trail == WaveLayout::Trail::Chunks) {
        dataSize = stored;
        return LayoutFault::None;
    }
    // A broken chunk the RIFF size claims was written after whole audio. One
    // it does not claim is more likely audio the writer never accounted for.
    const std::uint64_t storedEnd = layout.payloadAt() + stored + (stored & 1);
    return layout.storedRiffSize() > storedEnd - 8 ? layout.trailFault : LayoutFault::None;
}

}

LayoutFault planSizes(const WaveLayout& layout, std::uint64_t fileSize, SizePlan& plan)
{
    plan = SizePlan();
    std::uint64_t dataSize = 0;
    const LayoutFault fault = newDataSize(layout, dataSize);
    if (fault != LayoutFault::None)
        return fault;
    // The RIFF chunk ends where the chunks do; one that also holds the tags
    // closing the file describes it as well and is kept.
    const std::uint64_t storedRiff = layout.storedRiffSize();
    const std::uint64_t riffSize = storedRiff == fileSize - 8 ? storedRiff : layout.contentEnd - 8;
    const std::uint64_t frames = dataSize / layout.format.blockAlign;
    const bool wide = layout.wide || riffSize > noSize;
    if (wide && !layout.wide && !layout.ds64Room)
        return LayoutFault::NoRoomForDs64;
    plan.dataSize = dataSize;
    plan.frames = frames;

    const std::uint64_t dataField = layout.dataAt + 4;
    if (!wide) {
        change(plan, dataField, layout.dataSize, dataSize, 4);
        if (layout.hasFact)
            change(plan, layout.factAt, layout.factFrames, frames, 4);
        change(plan, 4, layout.riffSize, riffSize, 4);
        return LayoutFault::None;
    }

    change(plan, ds64At + 8, layout.ds64Data, dataSize, 8);
    defer(plan, dataField, layout.dataSize, dataSize);
    change(plan, ds64At + 16, layout.ds64Samples, frames, 8);
    // A frame count that fits is kept where readers of 32-bit fields see it.
    if (layout.hasFact && layout.factFrames != noSize)
        change(plan, layout.factAt, layout.factFrames, frames < noSize ? frames : noSize, 4);
    change(plan, ds64At, layout.ds64Riff, riffSize, 8);
    defer(plan, 4, layout.riffSize, riffSize);
    if (!layout.wide) {
        change(plan, ds64At + 24, layout.ds64Table, 0, 4);
        change(plan, 12, layout.firstTag, WaveHeader::tag("ds64"), 4);
        change(plan, 0, WaveHeader::tag("RIFF"), WaveHeader::tag("RF64"), 4);
    }
    return LayoutFault::None;
}

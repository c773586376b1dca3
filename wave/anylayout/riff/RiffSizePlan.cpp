#include "RiffSizePlan.h"

#include "ChunkHeader.h"

namespace {

constexpr std::uint64_t ds64At = 20;

void change(SizePlan& plan, std::uint64_t offset, std::uint64_t held, std::uint64_t value, unsigned width) {
    plan.change(offset, held, value, width, ByteOrder::Little);
}

// A 32-bit field of a 64-bit form is sound when it holds the value or defers
// to ds64; otherwise it is set to defer.
void defer(SizePlan& plan, std::uint64_t offset, std::uint32_t held, std::uint64_t value) {
    if (held != value)
        change(plan, offset, held, deferToDs64, 4);
}

}

LayoutFault planRiffSizes(const RiffLayout& layout, std::uint64_t fileSize, SizePlan& plan) {
    plan = SizePlan();
    const AudioEnd& end = layout.audioEnd;
    bool claimsBroken = false;
    if (end.trail == AudioEnd::Trail::Broken) {
        const std::uint64_t storedEnd = layout.payloadAt() + padded(end.stored);
        claimsBroken = layout.storedRiffSize() > storedEnd - 8;
    }
    std::uint64_t dataSize = 0;
    const LayoutFault fault = audioSizeFor(end, layout.payloadAt(), claimsBroken, dataSize);
    if (fault != LayoutFault::None)
        return fault;
    // The RIFF chunk ends where the chunks do; one that also holds the tags
    // closing the file describes it as well and is kept.
    const std::uint64_t storedRiff = layout.storedRiffSize();
    const std::uint64_t riffSize = storedRiff == fileSize - 8 ? storedRiff : end.contentEnd - 8;
    const std::uint64_t frames = dataSize / layout.format.blockAlign;
    const bool wide = layout.wide || riffSize > deferToDs64;
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
    if (layout.hasFact && layout.factFrames != deferToDs64)
        change(plan, layout.factAt, layout.factFrames, frames < deferToDs64 ? frames : deferToDs64, 4);
    change(plan, ds64At, layout.ds64Riff, riffSize, 8);
    defer(plan, 4, layout.riffSize, riffSize);
    if (!layout.wide) {
        change(plan, ds64At + 24, layout.ds64Table, 0, 4);
        change(plan, 12, layout.firstTag, fourCC("ds64"), 4);
        change(plan, 0, fourCC("RIFF"), fourCC("RF64"), 4);
    }
    return LayoutFault::None;
}

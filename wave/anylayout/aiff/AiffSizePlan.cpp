#include "AiffSizePlan.h"

#include "ChunkHeader.h"

LayoutFault planAiffSizes(const AiffLayout& layout, std::uint64_t fileSize, SizePlan& plan) {
    plan = SizePlan();
    const AudioEnd& end = layout.audioEnd;
    bool claimsBroken = false;
    if (end.trail == AudioEnd::Trail::Broken)
        claimsBroken = layout.formSize > layout.payloadAt() + padded(end.stored) - 8;
    std::uint64_t dataSize = 0;
    const LayoutFault fault = audioSizeFor(end, layout.payloadAt(), claimsBroken, dataSize);
    if (fault != LayoutFault::None)
        return fault;
    // The FORM ends where the chunks do; one that also holds the tags closing
    // the file describes it as well and is kept.
    const std::uint64_t formSize = layout.formSize == fileSize - 8 ? layout.formSize : end.contentEnd - 8;
    if (formSize > 0xFFFFFFFFu)
        return LayoutFault::TooLarge;
    const std::uint64_t frames = dataSize > layout.ssndOffset ? (dataSize - layout.ssndOffset) / layout.frameBytes : 0;
    plan.dataSize = dataSize;
    plan.frames = frames;
    plan.change(layout.ssndAt + 4, layout.ssndSize, dataSize + 8, 4, ByteOrder::Big);
    plan.change(layout.framesAt, layout.frames, frames, 4, ByteOrder::Big);
    plan.change(4, layout.formSize, formSize, 4, ByteOrder::Big);
    return LayoutFault::None;
}

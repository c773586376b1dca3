#include "CardSketch.h"
#include "FuzzVerdict.h"
#include "VolumeProperties.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t maxImage = 8ull << 20;
// The most links of a chain, and entries, one operation draws.
constexpr std::uint64_t maxLinks = 1 << 18;
constexpr std::uint64_t maxEntries = 1 << 14;
// The blocks of 4 KiB an image may have written.
constexpr std::size_t maxBlocks = 1 << 12;

std::uint64_t load(const std::uint8_t* at, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= std::uint64_t(at[i]) << (8 * i);
    return value;
}

// The bytes of an operation, read in turn; zeros past their end.
class Operands {
public:
    Operands(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::uint64_t take(unsigned width) {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < width; ++i, ++at)
            value |= std::uint64_t(at < size ? data[at] : 0) << (8 * i);
        return value;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

void draw(CardSketch& sketch, std::uint32_t what, unsigned times, Operands operands) {
    const std::uint32_t argument = what & 0xFFFFFF;
    switch ((what >> 24) & 3) {
    case 0: {
        const unsigned flags = static_cast<unsigned>(operands.take(1));
        CardSketch::Shape shape;
        shape.exFat = flags & 1;
        shape.table = static_cast<CardSketch::Table>((flags >> 1) % 3);
        shape.tableShift = flags & 8 ? 12 : 9;
        shape.sectorShift = 9 + static_cast<unsigned>(operands.take(1) % 4);
        shape.clusterShift = static_cast<unsigned>(operands.take(1) % 26);
        shape.clusters = operands.take(4);
        shape.named = times;
        sketch.volume(shape, std::uint64_t(argument) << 20);
        return;
    }
    case 1: {
        const std::uint32_t count = static_cast<std::uint32_t>(operands.take(4) % maxLinks);
        const std::uint32_t step = static_cast<std::uint32_t>(operands.take(4));
        sketch.chain(argument, count, step, static_cast<CardSketch::End>(operands.take(1) % 5));
        return;
    }
    case 2: {
        CardSketch::Entries entries;
        entries.directory = argument;
        entries.slot = static_cast<std::uint32_t>(operands.take(2));
        entries.count = static_cast<std::uint32_t>(std::min<std::uint64_t>(operands.take(2) * times, maxEntries));
        entries.stride = static_cast<std::uint32_t>(operands.take(1));
        entries.first = static_cast<std::uint32_t>(operands.take(4));
        entries.step = static_cast<std::uint32_t>(operands.take(4));
        entries.size = static_cast<std::uint32_t>(operands.take(4));
        const unsigned flags = static_cast<unsigned>(operands.take(1));
        entries.folder = flags & 1;
        entries.deleted = flags & 2;
        entries.nameUnits = flags & 4 ? static_cast<unsigned>(operands.take(1)) : 0;
        entries.contiguous = flags & 8;
        entries.recording = !(flags & 16);
        sketch.entries(entries);
        return;
    }
    default:
        sketch.recording(argument, times);
    }
}

// The image an input describes (see tests/cli/make_card_images.py, seed()):
// its size in units of 64 KiB, then records of (offset: 4 bytes, length - 1,
// repetitions - 1, bytes). A record whose offset's top bit is clear puts its
// bytes, repeated, at that offset over zeros; one whose top bit is set draws
// with its bytes as operands, by bits 24 and 25 of the offset: 0 the volume
// (flags: exFAT, table, its sectors of 4096 bytes; the sector's shift over 9,
// the cluster's in sectors, the count of clusters; at the rest of the offset
// in MiB, named by the table as often as repeated), 1 a chain (from the
// cluster the rest of the offset names: count, step, end), 2 directory
// entries (in the directory at that cluster: first slot, count times
// repeated, stride, first cluster, step, size, flags: folder, deleted, long
// name, contiguous, no recording; the long name's units), 3 a recording at
// that cluster, of as many clusters as repeated.
CardSketch sketchOf(const std::uint8_t* data, std::size_t size) {
    CardSketch sketch(std::min(std::max<std::uint64_t>(load(data + 1, 2), 1) << 16, maxImage), maxBlocks);
    for (std::size_t at = 3; at + 6 < size;) {
        const std::uint32_t offset = static_cast<std::uint32_t>(load(data + at, 4));
        const std::size_t length = std::min<std::size_t>(data[at + 4] + 1, size - at - 6);
        const unsigned times = data[at + 5] + 1u;
        if (offset & 0x80000000u) {
            draw(sketch, offset, times, Operands(data + at + 6, length));
        } else {
            for (unsigned i = 0; i < times; ++i)
                sketch.write(offset + std::uint64_t(i) * length, data + at + 6, length);
        }
        at += 6 + length;
    }
    return sketch;
}

}

// The first byte chooses how few stretches the cluster map keeps on the second
// reading, so that it reads FAT entries on demand, the block size it reads in,
// whether the recovery revives lost headers, and how many blocks of the image
// fail; the rest describes the image. The in-memory source ends the run on a
// read outside the image, or on the second reading one not of whole aligned
// blocks; nothing can be written, since the source has no write. See
// VolumeProperties.h for what else must hold.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    ReadingOptions options;
    options.maxStretches = data[0] % 8 == 7 ? options.maxStretches : 1u << (2 * (data[0] % 8));
    options.block = 512u << ((data[0] >> 3) % 4);
    options.revive = data[0] % 2 == 0;
    const CardSketch sketch = sketchOf(data, size);
    for (unsigned i = 0; i < (data[0] >> 5) % 4; ++i)
        options.failing.push_back(sketch.size() / 512 * (2 * i + 1) / 8);
    stopOnBrokenProperty(brokenVolumeProperty(sketch, options));
    return 0;
}

#pragma once

#include "MemoryByteSource.h"
#include "VolumeKind.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A card image drawn from a few numbers and kept sparse: only the blocks
// written cost memory (at most maxBlocks of them; later ones are dropped), the
// rest reads as zeros. One FAT12, FAT16, FAT32 or exFAT volume of any geometry
// its format allows, bare or behind an MBR or a GPT that counts in sectors of
// 512 or 4096 bytes and may name it many times; then chains in its FAT,
// directory entries and recordings in its clusters, and bytes anywhere. The
// volume fuzz target draws one from its input; the tests and
// make_stress_cards draw the hostile cards.
class CardSketch {
public:
    enum class Table { None, Mbr, Gpt };
    struct Shape {
        // FAT12, FAT16 and FAT32 follow from the count of clusters.
        bool exFat = false;
        unsigned sectorShift = 9;
        // Sectors per cluster, as a power of two.
        unsigned clusterShift = 0;
        // Brought into the range of the kind.
        std::uint64_t clusters = 0;
        Table table = Table::None;
        unsigned tableShift = 9;
        // The table's entries that name the volume (an MBR's four at most).
        unsigned named = 1;
    };
    // How the last link of a chain ends it.
    enum class End { Mark, Loop, Free, Bad, Outside };
    // count entries, each stride slots of 32 bytes after the one before (or
    // after its own slots), from slot on in the directory whose first cluster
    // is directory (0: the root); entry k's first cluster is first + k * step,
    // its short name R0000123.WAV (F0000123.TXT where it is no recording, a
    // folder's without its extension). Its long name, where it has one, is of
    // nameUnits UTF-16 units: kana, then tk00123.wav; exFAT's names are long
    // ones, R0000123.WAV where nameUnits is 0.
    struct Entries {
        std::uint32_t directory = 0;
        std::uint32_t slot = 0;
        std::uint32_t count = 1;
        std::uint32_t stride = 1;
        std::uint32_t first = 0;
        std::uint32_t step = 0;
        std::uint32_t size = 0;
        bool folder = false;
        bool deleted = false;
        unsigned nameUnits = 0;
        bool contiguous = false;
        bool recording = true;
    };

    // bytes: the image's size; 0 for as long as its volume.
    explicit CardSketch(std::uint64_t bytes, std::size_t maxBlocks = 1 << 14)
        : bytes(bytes), maxBlocks(maxBlocks), blocks(std::make_shared<MemoryByteSource::Patches>()) {}

    // The volume, at offset (past its table), formatted: boot sector, FAT's
    // first entries, root directory; exFAT's allocation bitmap and up-case
    // table.
    void volume(const Shape& shape, std::uint64_t offset);
    // These act on the volume; nothing before there is one. A chain of count
    // clusters, each step clusters after the one before, around the volume;
    // exFAT marks them allocated.
    void chain(std::uint32_t first, std::uint32_t count, std::uint32_t step, End end);
    void entries(const Entries& entries);
    // The first bytes of a recording that lost its power (sizes 0), a tone,
    // from the cluster on.
    void recording(std::uint32_t cluster, std::uint32_t clusters);
    void write(std::uint64_t offset, const unsigned char* data, std::size_t count);

    std::uint64_t size() const { return bytes; }
    // Where the volume's cluster begins in the image, and its size.
    std::uint64_t clusterAt(std::uint32_t cluster) const { return heap + std::uint64_t(cluster - 2) * clusterBytes; }
    std::uint32_t clusterSize() const { return clusterBytes; }
    // The image, sharing the sketch's blocks.
    MemoryByteSource image() const;
    // As a sparse file; false when it could not be written.
    bool save(const std::string& path) const;

private:
    // The byte at offset, writable; null past the image or the blocks.
    unsigned char* at(std::uint64_t offset);
    void put(std::uint64_t offset, std::uint64_t value, unsigned width);
    void link(std::uint32_t cluster, std::uint64_t value);
    void allocate(std::uint32_t cluster);
    // The cluster a number names, counted from cluster 2 and around the
    // volume.
    std::uint32_t around(std::uint64_t number) const { return static_cast<std::uint32_t>(2 + number % count); }
    // Entry k's: its short name (FAT) and its long name; the slots it takes.
    std::string shortName(const Entries& entries, std::uint32_t k) const;
    std::vector<std::uint16_t> longName(const Entries& entries, std::uint32_t k) const;
    std::vector<unsigned char> fatEntry(const Entries& entries, std::uint32_t k) const;
    std::vector<unsigned char> exFatEntry(const Entries& entries, std::uint32_t k) const;

    std::uint64_t bytes;
    std::size_t maxBlocks;
    std::shared_ptr<MemoryByteSource::Patches> blocks;
    bool formatted = false;
    VolumeKind kind = VolumeKind::Unknown;
    std::uint32_t sector = 512;
    std::uint32_t clusterBytes = 512;
    std::uint32_t count = 0;
    std::uint64_t fat = 0;
    std::uint64_t heap = 0;
    std::uint64_t rootRegion = 0;
    std::uint32_t root = 0;
};

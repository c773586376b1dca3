#include "CardSketch.h"

#include "Crc32.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t blockBytes = 4096;
constexpr std::uint64_t MiB = 1 << 20;

void store(unsigned char* at, std::uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t within(std::uint64_t value, std::uint64_t low, std::uint64_t high) {
    return std::min(std::max(value, low), high);
}

// The rotate-and-add sums of FAT long names (8 bits) and exFAT entry sets
// (16 bits, without the set's own sum).
unsigned rotatedSum(const unsigned char* bytes, std::size_t count, unsigned bits) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (bits == 16 && (i == 2 || i == 3))
            continue;
        sum = ((((sum & 1) << (bits - 1)) + (sum >> 1) + bytes[i]) & ((1u << bits) - 1));
    }
    return sum;
}

}

unsigned char* CardSketch::at(std::uint64_t offset) {
    if (offset >= bytes)
        return nullptr;
    const std::uint64_t from = offset - offset % blockBytes;
    auto block = blocks->find(from);
    if (block == blocks->end()) {
        if (blocks->size() >= maxBlocks)
            return nullptr;
        block = blocks->emplace(from, std::vector<unsigned char>(blockBytes, 0)).first;
    }
    return block->second.data() + (offset - from);
}

void CardSketch::write(std::uint64_t offset, const unsigned char* data, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const std::size_t piece =
            std::min<std::size_t>(count - done, static_cast<std::size_t>(blockBytes - (offset + done) % blockBytes));
        unsigned char* target = at(offset + done);
        if (target == nullptr)
            return;
        std::memcpy(target, data + done, std::min<std::uint64_t>(piece, bytes - (offset + done)));
        done += piece;
    }
}

void CardSketch::put(std::uint64_t offset, std::uint64_t value, unsigned width) {
    unsigned char bytesOf[8];
    store(bytesOf, value, width);
    write(offset, bytesOf, width);
}

void CardSketch::link(std::uint32_t cluster, std::uint64_t value) {
    if (kind != VolumeKind::Fat12) {
        put(fat + std::uint64_t(cluster) * (kind == VolumeKind::Fat16 ? 2 : 4), value,
            kind == VolumeKind::Fat16 ? 2 : 4);
        return;
    }
    // Two entries share three bytes.
    unsigned char* low = at(fat + cluster * 3ull / 2);
    unsigned char* high = at(fat + cluster * 3ull / 2 + 1);
    if (low == nullptr || high == nullptr)
        return;
    unsigned pair = *low | (*high << 8);
    pair = cluster % 2 ? (pair & 0xF) | unsigned(value << 4) : (pair & 0xF000) | unsigned(value & 0xFFF);
    *low = static_cast<unsigned char>(pair);
    *high = static_cast<unsigned char>(pair >> 8);
}

void CardSketch::allocate(std::uint32_t cluster) {
    if (kind != VolumeKind::ExFat)
        return;
    // The bitmap fills the heap's first clusters.
    unsigned char* bits = at(heap + (cluster - 2) / 8);
    if (bits != nullptr)
        *bits = static_cast<unsigned char>(*bits | (1 << ((cluster - 2) % 8)));
}

void CardSketch::volume(const Shape& shape, std::uint64_t offset) {
    sector = 1u << within(shape.sectorShift, 9, 12);
    const unsigned sectorShift = static_cast<unsigned>(within(shape.sectorShift, 9, 12));
    std::uint64_t volumeSectors = 0;
    std::uint64_t fatSectors = 0;
    std::uint64_t dataStart = 0;
    std::uint64_t reserved = 0;
    unsigned clusterShift = 0;
    if (shape.exFat) {
        kind = VolumeKind::ExFat;
        clusterShift = std::min(shape.clusterShift, 25 - sectorShift);
        count = static_cast<std::uint32_t>(within(shape.clusters, 3, 0xFFFFFFF5));
        fatSectors = ((count + 2ull) * 4 + sector - 1) / sector;
        reserved = 24;
        dataStart = reserved + fatSectors;
        volumeSectors = dataStart + (std::uint64_t(count) << clusterShift);
    } else {
        clusterShift = std::min(shape.clusterShift, 7u);
        count = static_cast<std::uint32_t>(within(shape.clusters, 1, 0x0FFFFFF5));
        kind = count < 4085 ? VolumeKind::Fat12 : count < 65525 ? VolumeKind::Fat16 : VolumeKind::Fat32;
        reserved = kind == VolumeKind::Fat32 ? 32 : 1;
        const std::uint64_t entries = count + 2ull;
        const std::uint64_t fatBytes = kind == VolumeKind::Fat12 ? entries * 3 / 2 + 1
            : kind == VolumeKind::Fat16                          ? entries * 2
                                                                 : entries * 4;
        fatSectors = (fatBytes + sector - 1) / sector;
        dataStart = reserved + fatSectors + (kind == VolumeKind::Fat32 ? 0 : 512 * 32 / sector);
        // FAT counts its sectors in 32 bits.
        count = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, (0xFFFFFFFFull - dataStart) >> clusterShift));
        volumeSectors = dataStart + (std::uint64_t(count) << clusterShift);
    }
    clusterBytes = sector << clusterShift;
    const std::uint64_t unit = 1ull << within(shape.tableShift, 9, 12);
    const std::uint64_t base = shape.table == Table::None ? 0 : std::max(offset, MiB) / unit * unit;
    const std::uint64_t length = volumeSectors * sector;
    if (bytes == 0)
        bytes = base + length;
    fat = base + reserved * sector;
    heap = base + dataStart * sector;
    formatted = true;

    const unsigned char mbrType = kind == VolumeKind::ExFat ? 0x07
        : kind == VolumeKind::Fat32                         ? 0x0C
        : kind == VolumeKind::Fat16                         ? 0x0E
                                                            : 0x01;
    const std::uint64_t units = std::min<std::uint64_t>(length / unit, 0xFFFFFFFF);
    if (shape.table == Table::Mbr) {
        for (unsigned i = 0; i < std::min(shape.named, 4u); ++i) {
            write(446 + 16 * i + 4, &mbrType, 1);
            put(446 + 16 * i + 8, base / unit, 4);
            put(446 + 16 * i + 12, units, 4);
        }
    } else if (shape.table == Table::Gpt) {
        const unsigned char protective = 0xEE;
        write(446 + 4, &protective, 1);
        put(446 + 8, 1, 4);
        put(446 + 12, std::min<std::uint64_t>(bytes / unit - 1, 0xFFFFFFFF), 4);
        const std::uint32_t entryCount = std::max(shape.named, 128u);
        std::vector<unsigned char> entries(entryCount * 128ull, 0);
        static const unsigned char basicData[16] = {0xa2, 0xa0, 0xd0, 0xeb, 0xe5, 0xb9, 0x33, 0x44, 0x87, 0xc0, 0x68,
            0xb6, 0xb7, 0x26, 0x99, 0xc7};
        for (unsigned i = 0; i < shape.named; ++i) {
            std::memcpy(entries.data() + 128 * i, basicData, 16);
            store(entries.data() + 128 * i + 16, i + 1, 4);
            store(entries.data() + 128 * i + 32, base / unit, 8);
            store(entries.data() + 128 * i + 40, (base + length) / unit - 1, 8);
        }
        unsigned char header[92] = {};
        std::memcpy(header, "EFI PART", 8);
        store(header + 8, 0x10000, 4);
        store(header + 12, 92, 4);
        store(header + 24, 1, 8);
        store(header + 32, bytes / unit - 1, 8);
        store(header + 40, 2 + (entries.size() + unit - 1) / unit, 8);
        store(header + 48, bytes / unit - 2, 8);
        store(header + 72, 2, 8);
        store(header + 80, entryCount, 4);
        store(header + 84, 128, 4);
        store(header + 88, crc32(entries.data(), entries.size()), 4);
        store(header + 16, crc32(header, sizeof header), 4);
        write(unit, header, sizeof header);
        write(2 * unit, entries.data(), entries.size());
    }
    if (shape.table != Table::None) {
        const unsigned char signature[2] = {0x55, 0xAA};
        write(510, signature, 2);
    }

    std::vector<unsigned char> boot(12 * std::size_t(sector), 0);
    const unsigned char jump[3] = {0xEB, 0x76, 0x90};
    std::memcpy(boot.data(), jump, 3);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    if (kind == VolumeKind::ExFat) {
        std::memcpy(boot.data() + 3, "EXFAT   ", 8);
        store(&boot[64], base / sector, 8);
        store(&boot[72], volumeSectors, 8);
        store(&boot[80], reserved, 4);
        store(&boot[84], fatSectors, 4);
        store(&boot[88], dataStart, 4);
        store(&boot[92], count, 4);
        const std::uint32_t bitmapClusters = static_cast<std::uint32_t>((count / 8 + clusterBytes) / clusterBytes);
        root = 2 + bitmapClusters + 1;
        store(&boot[96], root, 4);
        store(&boot[104], 0x100, 2);
        boot[108] = static_cast<unsigned char>(sectorShift);
        boot[109] = static_cast<unsigned char>(clusterShift);
        boot[110] = 1;
        for (std::uint32_t s = 1; s <= 8; ++s)
            store(&boot[(s + 1) * sector - 4], 0xAA550000, 4);
        std::uint32_t sum = 0;
        for (std::uint32_t i = 0; i < 11 * sector; ++i) {
            if (i != 106 && i != 107 && i != 112)
                sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + boot[i];
        }
        for (std::uint32_t i = 0; i < sector; i += 4)
            store(&boot[11 * sector + i], sum, 4);
        write(base, boot.data(), boot.size());
        write(base + boot.size(), boot.data(), boot.size());
        link(0, 0xFFFFFFF8);
        link(1, 0xFFFFFFFF);
        link(root, 0xFFFFFFFF);
        for (std::uint32_t c = 2; c <= root; ++c)
            allocate(c);
        unsigned char entries[64] = {0x81};
        store(entries + 20, 2, 4);
        store(entries + 24, (count + 7) / 8, 8);
        entries[32] = 0x82;
        store(entries + 52, root - 1, 4);
        store(entries + 56, 128, 8);
        write(clusterAt(root), entries, sizeof entries);
        return;
    }
    std::memcpy(boot.data() + 3, "SKETCH  ", 8);
    store(&boot[11], sector, 2);
    boot[13] = static_cast<unsigned char>(1u << clusterShift);
    store(&boot[14], reserved, 2);
    boot[16] = 1;
    store(&boot[17], kind == VolumeKind::Fat32 ? 0 : 512, 2);
    if (kind != VolumeKind::Fat32 && volumeSectors < 65536)
        store(&boot[19], volumeSectors, 2);
    else
        store(&boot[32], volumeSectors, 4);
    boot[21] = 0xF8;
    store(&boot[28], base / sector, 4);
    if (kind == VolumeKind::Fat32) {
        store(&boot[36], fatSectors, 4);
        store(&boot[44], 2, 4);
        std::memcpy(&boot[82], "FAT32   ", 8);
        root = 2;
    } else {
        store(&boot[22], fatSectors, 2);
        std::memcpy(&boot[54], kind == VolumeKind::Fat16 ? "FAT16   " : "FAT12   ", 8);
        rootRegion = fat + fatSectors * sector;
        root = 0;
    }
    write(base, boot.data(), 512);
    const std::uint64_t top = kind == VolumeKind::Fat12 ? 0xFFF : kind == VolumeKind::Fat16 ? 0xFFFF : 0x0FFFFFFF;
    link(0, top - 7);
    link(1, top);
    if (root != 0)
        link(root, top);
}

void CardSketch::chain(std::uint32_t first, std::uint32_t length, std::uint32_t step, End end) {
    if (!formatted)
        return;
    const std::uint64_t top = kind == VolumeKind::Fat12 ? 0xFFF
        : kind == VolumeKind::Fat16                     ? 0xFFFF
        : kind == VolumeKind::Fat32                     ? 0x0FFFFFFF
                                                        : 0xFFFFFFFF;
    length = std::max<std::uint32_t>(1, std::min(length, count));
    std::uint32_t middle = 0;
    for (std::uint32_t k = 0; k < length; ++k) {
        const std::uint32_t at = around(first - 2ull + std::uint64_t(k) * step);
        allocate(at);
        if (k == length / 2)
            middle = at;
        if (k + 1 < length) {
            link(at, around(first - 2ull + std::uint64_t(k + 1) * step));
            continue;
        }
        const std::uint64_t last[] = {kind == VolumeKind::ExFat ? top : top - 7, middle, 0, top - 8, count + 2ull};
        link(at, last[static_cast<int>(end)]);
    }
}

std::string CardSketch::shortName(const Entries& e, std::uint32_t k) const {
    char name[16];
    std::snprintf(name, sizeof name, "%c%07u%s", e.recording ? 'R' : 'F', k % 10000000,
        e.folder          ? "   "
            : e.recording ? "WAV"
                          : "TXT");
    return name;
}

std::vector<std::uint16_t> CardSketch::longName(const Entries& e, std::uint32_t k) const {
    char tail[16];
    std::snprintf(tail, sizeof tail, "tk%05u%s", k % 100000, e.folder ? "" : e.recording ? ".wav" : ".txt");
    const std::size_t length = std::strlen(tail);
    const std::size_t units = std::min<std::size_t>(std::max<std::size_t>(e.nameUnits, length), 255);
    // U+30A2, katakana A: three bytes in UTF-8.
    std::vector<std::uint16_t> name(units - length, 0x30A2);
    name.insert(name.end(), tail, tail + length);
    return name;
}

std::vector<unsigned char> CardSketch::fatEntry(const Entries& e, std::uint32_t k) const {
    const std::uint32_t first = e.first == 0 ? 0 : around(e.first - 2ull + std::uint64_t(k) * e.step);
    const std::string name = shortName(e, k);
    unsigned char entry[32] = {};
    std::memcpy(entry, name.data(), 11);
    entry[11] = e.folder ? 0x10 : 0x20;
    store(entry + 20, first >> 16, 2);
    store(entry + 26, first & 0xFFFF, 2);
    store(entry + 28, e.folder ? 0 : e.size, 4);
    std::vector<unsigned char> slots;
    if (e.nameUnits > 0) {
        // The long name's parts of 13 units, the last first, ended by a 0
        // and filled with 0xFFFF; each tied by its sum to the short name.
        std::vector<std::uint16_t> units = longName(e, k);
        if (units.size() % 13 != 0)
            units.push_back(0);
        units.resize((units.size() + 12) / 13 * 13, 0xFFFF);
        static const int unitAt[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        for (std::size_t part = units.size() / 13; part > 0; --part) {
            unsigned char piece[32] = {};
            piece[0] = static_cast<unsigned char>(part | (part == units.size() / 13 ? 0x40 : 0));
            for (std::size_t i = 0; i < 13; ++i)
                store(piece + unitAt[i], units[(part - 1) * 13 + i], 2);
            piece[11] = 0x0F;
            piece[13] = static_cast<unsigned char>(rotatedSum(entry, 11, 8));
            if (e.deleted)
                piece[0] = 0xE5;
            slots.insert(slots.end(), piece, piece + 32);
        }
    }
    if (e.deleted)
        entry[0] = 0xE5;
    slots.insert(slots.end(), entry, entry + 32);
    return slots;
}

std::vector<unsigned char> CardSketch::exFatEntry(const Entries& e, std::uint32_t k) const {
    const std::uint32_t first = e.first == 0 ? 0 : around(e.first - 2ull + std::uint64_t(k) * e.step);
    std::vector<std::uint16_t> name = longName(e, k);
    if (e.nameUnits == 0) {
        std::string dotted = shortName(e, k);
        dotted = e.folder ? dotted.substr(0, 8) : dotted.substr(0, 8) + "." + dotted.substr(8);
        name.assign(dotted.begin(), dotted.end());
    }
    const std::size_t nameEntries = (name.size() + 14) / 15;
    const std::uint64_t size = e.folder && e.size == 0 ? clusterBytes : e.size;
    std::vector<unsigned char> set(32 * (2 + nameEntries), 0);
    set[0] = 0x85;
    set[1] = static_cast<unsigned char>(1 + nameEntries);
    store(&set[4], e.folder ? 0x10 : 0x20, 2);
    set[32] = 0xC0;
    set[33] = static_cast<unsigned char>(1 | (e.contiguous ? 2 : 0));
    set[35] = static_cast<unsigned char>(name.size());
    store(&set[40], size, 8);
    store(&set[52], first, 4);
    store(&set[56], size, 8);
    for (std::size_t i = 0; i < nameEntries; ++i)
        set[64 + 32 * i] = 0xC1;
    for (std::size_t i = 0; i < name.size(); ++i)
        store(&set[64 + 32 * (i / 15) + 2 + 2 * (i % 15)], name[i], 2);
    store(&set[2], rotatedSum(set.data(), set.size(), 16), 2);
    for (std::size_t i = 0; e.deleted && i < set.size(); i += 32)
        set[i] &= 0x7F;
    return set;
}

void CardSketch::entries(const Entries& e) {
    if (!formatted)
        return;
    const bool region = e.directory < 2 && root == 0;
    const std::uint64_t start = region ? rootRegion : clusterAt(e.directory < 2 ? root : around(e.directory - 2));
    std::uint64_t slot = e.slot;
    for (std::uint32_t k = 0; k < e.count; ++k) {
        const std::vector<unsigned char> set = kind == VolumeKind::ExFat ? exFatEntry(e, k) : fatEntry(e, k);
        // The fixed root of FAT12 and FAT16 holds 512 entries.
        if (region && slot + set.size() / 32 > 512)
            return;
        write(start + 32 * slot, set.data(), set.size());
        slot += std::max<std::uint64_t>(e.stride, set.size() / 32);
    }
}

void CardSketch::recording(std::uint32_t cluster, std::uint32_t clusters) {
    if (!formatted)
        return;
    std::vector<unsigned char> data(
        static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t(std::max(clusters, 1u)) * clusterBytes, MiB)));
    static const unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16,
        0, 0, 0, 1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0, 0xEE, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    std::memcpy(data.data(), header, std::min(data.size(), sizeof header));
    for (std::size_t i = 44; i + 4 <= data.size(); i += 4) {
        const auto left = static_cast<std::int16_t>(6000 * std::sin(2 * M_PI * 440 * double(i / 4) / 48000));
        store(&data[i], static_cast<std::uint16_t>(left), 2);
        store(&data[i + 2], static_cast<std::uint16_t>(2 * left), 2);
    }
    write(clusterAt(around(cluster - 2)), data.data(), data.size());
}

MemoryByteSource CardSketch::image() const {
    return MemoryByteSource(blocks, blockBytes, bytes);
}

bool CardSketch::save(const std::string& path) const {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool written = fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    for (auto block = blocks->begin(); written && block != blocks->end(); ++block) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes, bytes - block->first));
        written = pwrite(fd, block->second.data(), count, static_cast<off_t>(block->first)) == ssize_t(count);
    }
    return fd >= 0 && ::close(fd) == 0 && written;
}

#include "ClusterMap.h"

#include "ChainWalk.h"
#include "ExFatDirectory.h"
#include "LittleEndian.h"
#include "ScanBudget.h"
#include "SourceReader.h"

#include <algorithm>

namespace {

constexpr std::uint32_t chunkBytes = 1 << 20;
// The FAT read again in blocks of this many bytes (and a few more, so that an
// entry never straddles two), as many as fit in maxCacheBytes: a FAT32 of 2 M
// clusters whole. Small blocks cost a chain that jumps across the FAT least.
constexpr std::uint32_t blockBytes = 4096;
constexpr std::uint32_t blockSlack = 4;
constexpr std::uint64_t maxCacheBytes = 8 << 20;
// The pieces exFAT's allocation bitmap may come in.
constexpr std::size_t maxBitmapRuns = 4096;

unsigned entryBits(VolumeKind kind) {
    return kind == VolumeKind::Fat12 ? 12 : kind == VolumeKind::Fat16 ? 16 : 32;
}

}

std::uint32_t ClusterMap::decode(const unsigned char* bytes, std::uint64_t from, std::uint64_t cluster) const {
    const unsigned char* at = bytes + (cluster * entryBits(volume.kind) / 8 - from);
    switch (volume.kind) {
    case VolumeKind::Fat12:
        return cluster % 2 ? le16(at) >> 4 : le16(at) & 0xFFF;
    case VolumeKind::Fat16:
        return le16(at);
    case VolumeKind::Fat32:
        return le32(at) & 0x0FFFFFFF;
    default:
        return le32(at);
    }
}

bool ClusterMap::readFatBytes(std::uint64_t from, unsigned char* bytes, std::uint32_t count) {
    const std::uint64_t active = volume.fatOffset + volume.activeFat * volume.fatBytes + from;
    count = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, reader.size() - active));
    if (reader.read(active, bytes, count).none())
        return true;
    // Mirrored FATs are copies: a clean read of another takes the place of
    // the active one's.
    std::vector<unsigned char> mirror(count);
    for (std::uint32_t other = 0; volume.mirrored && other < volume.fatCount; ++other) {
        const std::uint64_t at = volume.fatOffset + other * volume.fatBytes + from;
        if (other != volume.activeFat && at <= reader.size() && count <= reader.size() - at
            && reader.read(at, mirror.data(), count).none()) {
            std::copy(mirror.begin(), mirror.end(), bytes);
            return true;
        }
    }
    return false;
}

bool ClusterMap::fatEntries(std::uint64_t first, std::vector<std::uint32_t>& entries) {
    entries.clear();
    if (first >= mapped)
        return true;
    const unsigned width = entryBits(volume.kind);
    const std::uint64_t count = std::min<std::uint64_t>(chunkBytes * 8 / width, mapped - first);
    const std::uint64_t from = first * width / 8;
    // A byte more than the entries fill, for the last FAT12 entry's pair.
    const std::uint32_t bytes = static_cast<std::uint32_t>((first + count) * width / 8 - from + 1);
    raw.assign(bytes + 1, 0);
    const bool clean = readFatBytes(from, raw.data(), bytes);
    entries.resize(count);
    // The widths decoded apart: this loop runs once for every cluster.
    const unsigned char* read = raw.data();
    if (width == 32) {
        const std::uint32_t mask = volume.kind == VolumeKind::Fat32 ? 0x0FFFFFFF : 0xFFFFFFFF;
        for (std::uint64_t i = 0; i < count; ++i)
            entries[i] = le32(read + 4 * i) & mask;
    } else if (width == 16) {
        for (std::uint64_t i = 0; i < count; ++i)
            entries[i] = le16(read + 2 * i);
    } else {
        for (std::uint64_t i = 0; i < count; ++i)
            entries[i] = decode(read, from, first + i);
    }
    return clean;
}

LinkKind ClusterMap::kindOf(std::uint32_t link) const {
    if (link == 0)
        return LinkKind::Free;
    if (validCluster(volume, link))
        return LinkKind::Next;
    // The top values of each width: end of chain, bad cluster, reserved.
    const std::uint32_t top = volume.kind == VolumeKind::Fat12 ? 0xFFF
        : volume.kind == VolumeKind::Fat16                     ? 0xFFFF
        : volume.kind == VolumeKind::Fat32                     ? 0x0FFFFFFF
                                                               : 0xFFFFFFFF;
    if (volume.kind == VolumeKind::ExFat ? link == top : link >= top - 7)
        return LinkKind::End;
    if (link == top - 8)
        return LinkKind::Bad;
    if (link == 1 || link >= top - 15)
        return LinkKind::Reserved;
    return LinkKind::OutOfRange;
}

ClusterMap::~ClusterMap() {
    spend.give(heldBytes + cacheBytes);
}

MapFindings ClusterMap::read() {
    MapFindings findings;
    system.clear();
    covered = 2 + std::uint64_t(volume.clusterCount);
    readFat(findings);
    if (volume.kind == VolumeKind::ExFat) {
        const ExFatSystemFiles files = findExFatSystemFiles(*this);
        for (const SystemFile& file : {files.bitmap, files.upcase}) {
            if (file.firstCluster != 0)
                system.push_back(file);
        }
        findBitmap(files.bitmap, findings);
    }
    return findings;
}

void ClusterMap::readFat(MapFindings& findings) {
    const unsigned width = entryBits(volume.kind);
    const std::uint64_t entries = 2 + std::uint64_t(volume.clusterCount);
    const std::uint64_t fatAt = volume.fatOffset + volume.activeFat * volume.fatBytes;
    // Only the entries inside the source are read; past them clusters are free.
    std::uint64_t present = 0;
    if (fatAt < reader.size())
        present = std::min(entries, (reader.size() - fatAt) * 8 / width);
    findings.fatCutShort = present < entries;
    mapped = present > 2 ? present : 2;

    std::vector<std::uint32_t> chunk;
    std::uint32_t open = 0;
    for (std::uint64_t first = 2; first < mapped; first += chunk.size()) {
        findings.fatUnreadable = !fatEntries(first, chunk) || findings.fatUnreadable;
        for (std::size_t i = 0; i < chunk.size(); ++i)
            take(static_cast<std::uint32_t>(first + i), chunk[i], open);
    }
    if (open != 0)
        keep({open, static_cast<std::uint32_t>(mapped - 1), static_cast<std::uint32_t>(mapped)});
    findings.onDemand = covered < entries;
}

void ClusterMap::take(std::uint32_t cluster, std::uint32_t value, std::uint32_t& open) {
    if (value == 0) {
        if (open != 0)
            keep({open, cluster - 1, cluster});
        open = 0;
        return;
    }
    if (open == 0)
        open = cluster;
    if (value != cluster + 1 || !validCluster(volume, value)) {
        keep({open, cluster, value});
        open = 0;
    }
}

void ClusterMap::keep(const Stretch& stretch) {
    if (covered != 2 + std::uint64_t(volume.clusterCount))
        return;
    if (held.size() == held.capacity()) {
        const std::size_t more = std::min(std::max<std::size_t>(held.size(), 256), maxStretches - held.size());
        if (more == 0 || !spend.take(more * sizeof(Stretch))) {
            covered = stretch.first;
            return;
        }
        heldBytes += more * sizeof(Stretch);
        held.reserve(held.size() + more);
    }
    held.push_back(stretch);
}

const ClusterMap::Block* ClusterMap::fatBlock(std::uint64_t at) {
    const std::uint64_t from = at - at % blockBytes;
    const auto found = cached.find(from);
    if (found != cached.end())
        return &cache[found->second];
    const std::uint64_t active = volume.fatOffset + volume.activeFat * volume.fatBytes;
    const std::uint32_t count =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(blockBytes + blockSlack, reader.size() - active - from));
    if (!spend.readFat(count)) {
        ++cutReads;
        return nullptr;
    }
    // A new block while the budget allows (always a first one), else the one
    // read longest ago.
    Block* block = nullptr;
    if (cache.empty() || (cacheBytes < maxCacheBytes && spend.take(blockBytes + blockSlack))) {
        cacheBytes += cache.empty() ? 0 : blockBytes + blockSlack;
        cache.emplace_back();
        block = &cache.back();
    } else {
        block = &cache[oldest];
        oldest = (oldest + 1) % cache.size();
        cached.erase(block->from);
    }
    cached[from] = static_cast<std::size_t>(block - cache.data());
    block->bytes.assign(blockBytes + blockSlack, 0);
    block->from = from;
    readFatBytes(from, block->bytes.data(), count);
    return block;
}

bool ClusterMap::entry(std::uint32_t cluster, std::uint32_t& value) {
    value = 0;
    if (cluster >= mapped)
        return true;
    const Block* block = fatBlock(std::uint64_t(cluster) * entryBits(volume.kind) / 8);
    if (block == nullptr)
        return false;
    value = decode(block->bytes.data(), block->from, cluster);
    return true;
}

bool ClusterMap::allocated(std::uint32_t cluster) {
    if (cluster < 2 || cluster >= mapped)
        return false;
    if (volume.kind != VolumeKind::ExFat) {
        Stretch stretch;
        return stretchFrom(cluster, stretch);
    }
    if (bitmapRuns.empty())
        return false;
    // Bit n of the bitmap stands for cluster n + 2.
    const std::uint64_t at = (cluster - 2) / 8;
    Block& block = bitmapBlock;
    if (block.bytes.empty() || at < block.from || at >= block.from + block.bytes.size()) {
        const std::size_t run =
            static_cast<std::size_t>(std::upper_bound(bitmapAt.begin(), bitmapAt.end(), at) - bitmapAt.begin() - 1);
        const std::uint64_t runEnd = bitmapAt[run] + std::uint64_t(bitmapRuns[run].count) * volume.clusterBytes;
        const std::uint64_t from = std::max(bitmapAt[run], at - at % blockBytes);
        block.bytes.assign(static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes, runEnd - from)), 0);
        block.from = from;
        const std::uint64_t offset = clusterOffset(volume, bitmapRuns[run].first) + (from - bitmapAt[run]);
        // Bits that fail read as zeros: their clusters count as free, and the
        // pass reads them as it reads all free ones.
        static_cast<void>(reader.read(offset, block.bytes.data(), static_cast<std::uint32_t>(block.bytes.size())));
    }
    return (block.bytes[at - block.from] >> ((cluster - 2) % 8)) & 1;
}

bool ClusterMap::stretchFrom(std::uint32_t cluster, Stretch& stretch) {
    stoppedUnread = false;
    if (cluster < covered) {
        auto after = std::upper_bound(held.begin(), held.end(), cluster,
            [](std::uint32_t value, const Stretch& s) { return value < s.first; });
        if (after == held.begin() || (after - 1)->last < cluster)
            return false;
        stretch = *(after - 1);
        stretch.first = cluster;
        return true;
    }
    std::uint32_t value = 0;
    if (!entry(cluster, value)) {
        stoppedUnread = true;
        return false;
    }
    if (value == 0)
        return false;
    std::uint32_t last = cluster;
    while (value == last + 1 && validCluster(volume, value)) {
        std::uint32_t next = 0;
        if (!entry(value, next)) {
            // The stretch ends where the budget stopped the reads, at a link
            // no chain follows.
            stoppedUnread = true;
            value = 0;
            break;
        }
        if (next == 0)
            break;
        last = value;
        value = next;
    }
    stretch = {cluster, last, value};
    return true;
}

void ClusterMap::findBitmap(const SystemFile& bitmap, MapFindings& findings) {
    // The bits of the clusters the FAT maps, by the bitmap's FAT chain or in
    // a row where it has none, inside the source.
    const std::uint64_t needed = (mapped - 2 + 7) / 8;
    findings.noBitmap = bitmap.firstCluster == 0 || bitmap.bytes < (std::uint64_t(volume.clusterCount) + 7) / 8;
    Stretch stretch;
    ChainWalk walk(*this, bitmap.firstCluster, (needed + volume.clusterBytes - 1) / volume.clusterBytes,
        !stretchFrom(bitmap.firstCluster, stretch));
    std::uint64_t found = 0;
    ClusterRun run;
    while (!findings.noBitmap && found < needed && bitmapRuns.size() < maxBitmapRuns && walk.next(run)) {
        // Its clusters that lie whole inside the source.
        const std::uint64_t at = clusterOffset(volume, run.first);
        if (at >= reader.size())
            break;
        run.count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(run.count, (reader.size() - at) / volume.clusterBytes));
        if (run.count == 0)
            break;
        bitmapAt.push_back(found);
        bitmapRuns.push_back(run);
        found += std::uint64_t(run.count) * volume.clusterBytes;
    }
    findings.noBitmap = findings.noBitmap || found < needed;
    if (findings.noBitmap) {
        bitmapRuns.clear();
        bitmapAt.clear();
    }
}

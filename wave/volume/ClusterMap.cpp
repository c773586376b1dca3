#include "ClusterMap.h"

#include "ChainWalk.h"
#include "ExFatDirectory.h"
#include "LittleEndian.h"
#include "SourceReader.h"

#include <algorithm>

namespace {

constexpr std::uint32_t chunkBytes = 1 << 20;
constexpr std::uint32_t cacheBytes = 4096;

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

MapFindings ClusterMap::read() {
    MapFindings findings;
    held.clear();
    system.clear();
    covered = 2 + std::uint64_t(volume.clusterCount);
    readFat(findings);
    if (volume.kind == VolumeKind::ExFat) {
        const ExFatSystemFiles files = findExFatSystemFiles(*this);
        for (const SystemFile& file : {files.bitmap, files.upcase}) {
            if (file.firstCluster != 0)
                system.push_back(file);
        }
        readBitmap(files.bitmap, findings);
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
    bits.assign((mapped - 2 + 63) / 64, 0);

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
    if (volume.kind != VolumeKind::ExFat)
        setAllocated(cluster);
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
    if (held.size() == maxStretches) {
        covered = stretch.first;
        return;
    }
    held.push_back(stretch);
}

std::uint32_t ClusterMap::entry(std::uint32_t cluster) {
    if (cluster >= mapped)
        return 0;
    // The cache holds the FAT from the last entry that missed it on, since
    // chains mostly run forward.
    const std::uint64_t from = std::uint64_t(cluster) * entryBits(volume.kind) / 8;
    if (cache.empty() || from < cacheFrom || from + 4 > cacheFrom + cacheBytes) {
        cache.assign(cacheBytes, 0);
        cacheFrom = from;
        readFatBytes(from, cache.data(), cacheBytes);
    }
    return decode(cache.data(), cacheFrom, cluster);
}

bool ClusterMap::allocated(std::uint32_t cluster) const {
    if (cluster < 2 || cluster - 2 >= bits.size() * 64)
        return false;
    return (bits[(cluster - 2) / 64] >> ((cluster - 2) % 64)) & 1;
}

bool ClusterMap::stretchFrom(std::uint32_t cluster, Stretch& stretch) {
    if (cluster < covered) {
        auto after = std::upper_bound(held.begin(), held.end(), cluster,
            [](std::uint32_t value, const Stretch& s) { return value < s.first; });
        if (after == held.begin() || (after - 1)->last < cluster)
            return false;
        stretch = *(after - 1);
        stretch.first = cluster;
        return true;
    }
    std::uint32_t value = entry(cluster);
    if (value == 0)
        return false;
    std::uint32_t last = cluster;
    while (value == last + 1 && validCluster(volume, value)) {
        const std::uint32_t next = entry(value);
        if (next == 0)
            break;
        last = value;
        value = next;
    }
    stretch = {cluster, last, value};
    return true;
}

void ClusterMap::readBitmap(const SystemFile& bitmap, MapFindings& findings) {
    // Bit n of the bitmap stands for cluster n + 2.
    const std::uint64_t needed = (mapped - 2 + 7) / 8;
    findings.noBitmap = bitmap.firstCluster == 0 || bitmap.bytes < (std::uint64_t(volume.clusterCount) + 7) / 8;
    if (findings.noBitmap)
        return;
    // By its FAT chain, or in a row where it has none.
    Stretch stretch;
    ChainWalk walk(*this, bitmap.firstCluster, (needed + volume.clusterBytes - 1) / volume.clusterBytes,
        !stretchFrom(bitmap.firstCluster, stretch));
    std::vector<unsigned char> buffer;
    std::uint64_t done = 0;
    ClusterRun run;
    while (done < needed && walk.next(run)) {
        const std::uint64_t at = clusterOffset(volume, run.first);
        if (at >= reader.size())
            break;
        const std::uint64_t bytes =
            std::min({std::uint64_t(run.count) * volume.clusterBytes, needed - done, reader.size() - at});
        for (std::uint64_t part = 0; part < bytes; part += chunkBytes) {
            const std::uint32_t count = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkBytes, bytes - part));
            buffer.resize(count);
            // Bits that fail read as zeros: their clusters count as free, and
            // the pass reads them as it reads all free ones.
            static_cast<void>(reader.read(at + part, buffer.data(), count));
            for (std::uint32_t i = 0; i < count; ++i) {
                for (unsigned bit = 0; bit < 8 && buffer[i] != 0; ++bit) {
                    const std::uint64_t cluster = (done + part + i) * 8 + bit + 2;
                    if ((buffer[i] >> bit) & 1 && cluster < mapped)
                        setAllocated(static_cast<std::uint32_t>(cluster));
                }
            }
        }
        done += bytes;
    }
    findings.noBitmap = done < needed;
}

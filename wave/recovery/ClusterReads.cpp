#include "ClusterReads.h"

#include <algorithm>

ClusterReads::ClusterReads(SourceReader& reader, const VolumeScan& scan, const std::atomic<bool>& sparse,
    std::uint64_t end, const std::atomic<bool>* stopped)
    : reader(reader), volume(scan.map.geometry()), scan(scan), sparse(sparse), end(end), stopped(stopped),
      perChunk(static_cast<std::uint32_t>(std::max<std::uint64_t>(1, chunkBytes / volume.clusterBytes))),
      ring(volume.clusterBytes > chunkBytes ? 1 : slots) {
    for (Slot& slot : ring) {
        slot.buffer.resize(std::size_t(perChunk) * volume.clusterBytes);
        slot.chunk.wanted.resize(perChunk);
        slot.chunk.whole.resize(perChunk);
        slot.chunk.bytes = slot.buffer.data();
    }
    total = end > 2 ? (end - 2 + perChunk - 1) / perChunk : 0;
    reading = std::thread([this] { readAll(); });
}

ClusterReads::~ClusterReads() {
    {
        std::lock_guard<std::mutex> hold(lock);
        quitting = true;
    }
    changed.notify_all();
    reading.join();
}

void ClusterReads::readAll() {
    for (std::uint64_t i = 0; i < total; ++i) {
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return quitting || i < released + ring.size(); });
            if (quitting)
                break;
        }
        const std::uint64_t first = 2 + i * perChunk;
        fill(ring[i % ring.size()], first, static_cast<std::uint32_t>(std::min<std::uint64_t>(perChunk, end - first)));
        {
            std::lock_guard<std::mutex> hold(lock);
            ++produced;
        }
        changed.notify_all();
        if (stopped != nullptr && stopped->load())
            break;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        finished = true;
    }
    changed.notify_all();
}

void ClusterReads::fill(Slot& slot, std::uint64_t first, std::uint32_t count) {
    Chunk& chunk = slot.chunk;
    chunk.first = first;
    chunk.count = count;
    chunk.gaps.ranges.clear();
    const bool firstSectors = sparse.load();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = static_cast<std::uint32_t>(first + i);
        while (pendingAt < scan.pending.size() && scan.pending[pendingAt].cluster < at)
            ++pendingAt;
        const bool pending = pendingAt < scan.pending.size() && scan.pending[pendingAt].cluster == at;
        chunk.wanted[i] = !scan.owned.marked(at);
        chunk.whole[i] = chunk.wanted[i] && (!firstSectors || scan.claimed.marked(at) || pending);
    }
    // Each run of clusters wanted whole in one read; of the others, the first
    // sector.
    const std::uint32_t cluster = volume.clusterBytes;
    for (std::uint32_t i = 0; i < count;) {
        if (chunk.wanted[i] && !chunk.whole[i]) {
            const std::uint64_t offset = clusterOffset(volume, static_cast<std::uint32_t>(first + i));
            const ReadGaps gaps = reader.read(offset, slot.buffer.data() + std::size_t(i) * cluster,
                std::min<std::uint32_t>(cluster, firstSectorBytes));
            chunk.gaps.ranges.insert(chunk.gaps.ranges.end(), gaps.ranges.begin(), gaps.ranges.end());
            ++i;
            continue;
        }
        std::uint32_t j = i;
        while (j < count && chunk.whole[j])
            ++j;
        if (j == i) {
            ++i;
            continue;
        }
        const std::uint64_t offset = clusterOffset(volume, static_cast<std::uint32_t>(first + i));
        const ReadGaps gaps = reader.read(offset, slot.buffer.data() + std::size_t(i) * cluster, (j - i) * cluster);
        chunk.gaps.ranges.insert(chunk.gaps.ranges.end(), gaps.ranges.begin(), gaps.ranges.end());
        i = j;
    }
}

void ClusterReads::complete(Chunk& chunk, std::uint32_t i) {
    const std::uint32_t cluster = volume.clusterBytes;
    const std::uint32_t done = std::min<std::uint32_t>(cluster, firstSectorBytes);
    if (chunk.whole[i] || !chunk.wanted[i] || done == cluster)
        return;
    const std::uint64_t offset = clusterOffset(volume, static_cast<std::uint32_t>(chunk.first + i)) + done;
    const ReadGaps gaps = reader.read(offset, chunk.bytes + std::size_t(i) * cluster + done, cluster - done);
    chunk.gaps.ranges.insert(chunk.gaps.ranges.end(), gaps.ranges.begin(), gaps.ranges.end());
    chunk.whole[i] = 1;
}

ClusterReads::Chunk* ClusterReads::next() {
    std::unique_lock<std::mutex> hold(lock);
    // The chunk handed out last is done with; its slot may be read into again.
    if (consumed > released) {
        released = consumed;
        changed.notify_all();
    }
    changed.wait(hold, [&] { return produced > consumed || finished; });
    if (produced == consumed)
        return nullptr;
    return &ring[consumed++ % ring.size()].chunk;
}

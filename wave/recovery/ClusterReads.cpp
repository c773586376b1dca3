#include "ClusterReads.h"

#include <algorithm>

ClusterReads::ClusterReads(SourceReader& reader, const VolumeGeometry& volume, const ClusterBitmap& skipped,
    std::uint64_t end, const std::atomic<bool>* stopped)
    : reader(reader), volume(volume), skipped(skipped), end(end), stopped(stopped),
      perChunk(static_cast<std::uint32_t>(std::max<std::uint64_t>(1, chunkBytes / volume.clusterBytes))), ring(slots) {
    for (Slot& slot : ring) {
        slot.buffer.resize(std::size_t(perChunk) * volume.clusterBytes);
        slot.chunk.wanted.resize(perChunk);
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
            changed.wait(hold, [&] { return quitting || i < released + slots; });
            if (quitting)
                break;
        }
        const std::uint64_t first = 2 + i * perChunk;
        fill(ring[i % slots], first, static_cast<std::uint32_t>(std::min<std::uint64_t>(perChunk, end - first)));
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
    for (std::uint32_t i = 0; i < count; ++i)
        chunk.wanted[i] = !skipped.marked(static_cast<std::uint32_t>(first + i));
    // Each run of wanted clusters in one read.
    const std::uint32_t cluster = volume.clusterBytes;
    for (std::uint32_t i = 0; i < count;) {
        std::uint32_t j = i;
        while (j < count && chunk.wanted[j])
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

const ClusterReads::Chunk* ClusterReads::next() {
    std::unique_lock<std::mutex> hold(lock);
    // The chunk handed out last is done with; its slot may be read into again.
    if (consumed > released) {
        released = consumed;
        changed.notify_all();
    }
    changed.wait(hold, [&] { return produced > consumed || finished; });
    if (produced == consumed)
        return nullptr;
    return &ring[consumed++ % slots].chunk;
}

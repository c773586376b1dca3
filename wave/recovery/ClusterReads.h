#pragma once

#include "ClusterBitmap.h"
#include "SourceReader.h"
#include "VolumeGeometry.h"
#include "VolumeScan.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The clusters of a volume that the pass weighs, read in ascending order and
// large reads on a thread of their own, a few reads ahead of the pass: reading
// the card and weighing its sound go on at once. The clusters skipped (those
// live files own) are never read. While the pass follows no sound (sparse),
// a cluster that is not among those always read whole is read as far as its
// first sector, which tells whether a recording begins there; the pass reads
// the rest where it needs it (complete).
class ClusterReads {
public:
    // One large read: clusters first to first + count - 1, of which those
    // wanted were read into bytes (each at its place; whole, or its first
    // sector alone), gaps what could not be.
    struct Chunk {
        std::uint64_t first = 0;
        std::uint32_t count = 0;
        unsigned char* bytes = nullptr;
        std::vector<char> wanted;
        std::vector<char> whole;
        ReadGaps gaps;
    };

    // Clusters 2 to end - 1; stopped, where it is set, ends the reads early.
    // Clusters claimed and those pending are always read whole.
    ClusterReads(SourceReader& reader, const VolumeScan& scan, const std::atomic<bool>& sparse, std::uint64_t end,
        const std::atomic<bool>* stopped);
    ClusterReads(const ClusterReads&) = delete;
    ClusterReads& operator=(const ClusterReads&) = delete;
    // Stops the reads and waits for the thread.
    ~ClusterReads();

    // The next read in order, waiting for it; null past the last. It holds
    // until the next call, and is the caller's to complete.
    Chunk* next();
    // Reads the rest of cluster i of chunk, where only its first sector was.
    void complete(Chunk& chunk, std::uint32_t i);

    // The reads in flight at once (one where a cluster is larger than a
    // read, exFAT's clusters being up to 32 MiB), and the most bytes each;
    // the bytes of a cluster read first where the rest may not be needed.
    static constexpr std::size_t slots = 3;
    static constexpr std::uint64_t chunkBytes = 4 << 20;
    static constexpr std::uint32_t firstSectorBytes = 512;

private:
    struct Slot {
        Chunk chunk;
        std::vector<unsigned char> buffer;
        bool ready = false;
    };

    void readAll();
    void fill(Slot& slot, std::uint64_t first, std::uint32_t count);

    SourceReader& reader;
    const VolumeGeometry& volume;
    const VolumeScan& scan;
    const std::atomic<bool>& sparse;
    std::size_t pendingAt = 0;
    std::uint64_t end;
    const std::atomic<bool>* stopped;
    std::uint32_t perChunk;
    std::vector<Slot> ring;
    std::mutex lock;
    std::condition_variable changed;
    // Chunks read; handed to the pass; done with by the pass, whose slots
    // may be read into again. The reads stop once quitting, and are finished
    // when no more will come.
    std::uint64_t produced = 0;
    std::uint64_t consumed = 0;
    std::uint64_t released = 0;
    std::uint64_t total = 0;
    bool quitting = false;
    bool finished = false;
    std::thread reading;
};

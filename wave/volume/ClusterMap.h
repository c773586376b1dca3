#pragma once

#include "ChainWalk.h"
#include "VolumeGeometry.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class ScanBudget;
class SourceReader;

// What a FAT entry says of the cluster after its own.
enum class LinkKind { Free, Next, End, Bad, Reserved, OutOfRange };

// Clusters first to last, each of whose FAT entries but the last links to the
// cluster after it; link is the last one's entry.
struct Stretch {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::uint32_t link = 0;
};

// A file of the volume's own: exFAT's allocation bitmap and up-case table.
struct SystemFile {
    std::uint32_t firstCluster = 0;
    std::uint64_t bytes = 0;
};

struct MapFindings {
    // The source ends inside the FAT: the later clusters read as free.
    bool fatCutShort = false;
    // Sectors of the FAT that no copy of it could give: their clusters read
    // as free.
    bool fatUnreadable = false;
    // The FAT holds more stretches than the map keeps: the links of clusters
    // from coveredUpTo() on are read from the FAT when asked.
    bool onDemand = false;
    // exFAT: no allocation bitmap could be found whole in the source; no
    // cluster counts as allocated.
    bool noBitmap = false;
};

// The FAT and the allocation of every cluster, read once, sequentially, and
// kept small: the links only as stretches, which grow with the fragments of
// the files rather than with the clusters, 12 bytes a fragment, as many as
// maxStretches and the budget allow; past them, and for exFAT's allocation
// bitmap, blocks read again on demand, the FAT's into a cache of whole blocks
// taken from the budget, at most as many bytes as the budget lets a run read.
class ClusterMap {
public:
    static constexpr std::size_t defaultMaxStretches = 1 << 18;

    ClusterMap(SourceReader& reader, const VolumeGeometry& geometry, ScanBudget& budget,
        std::size_t maxStretches = defaultMaxStretches)
        : reader(reader), volume(geometry), spend(budget), maxStretches(maxStretches) {}
    ~ClusterMap();
    ClusterMap(const ClusterMap&) = delete;
    ClusterMap& operator=(const ClusterMap&) = delete;

    // Reads the active FAT (a mirror where a sector of it fails) and, on
    // exFAT, finds the allocation bitmap its root directory names.
    MapFindings read();

    const VolumeGeometry& geometry() const { return volume; }
    SourceReader& source() { return reader; }
    ScanBudget& budget() { return spend; }

    // A FAT entry that is not free; on exFAT the allocation bitmap's bit.
    // False also for a cluster outside the volume or at or past mappedEnd().
    bool allocated(std::uint32_t cluster);
    // The first cluster whose FAT entry lies past the source's end: no chain
    // reaches it, and its data, after the FAT, lies past the end too.
    std::uint64_t mappedEnd() const { return mapped; }
    // The stretch that begins at cluster (valid); false when its FAT entry is
    // free, or could not be read again (unread() then tells).
    bool stretchFrom(std::uint32_t cluster, Stretch& stretch);
    LinkKind kindOf(std::uint32_t link) const;
    // The last stretchFrom stopped at an entry it did not read: the budget of
    // FAT reads was spent. The stretch, if any, ends before that entry.
    bool unread() const { return stoppedUnread; }
    // The stretches cut so far for that reason: each ends the chain it is in.
    std::uint64_t chainsCut() const { return cutReads; }

    // The stretches held, in cluster order, covering clusters below
    // coveredUpTo(); any cluster there in none of them is free in the FAT.
    const std::vector<Stretch>& stretches() const { return held; }
    std::uint64_t coveredUpTo() const { return covered; }
    const std::vector<SystemFile>& systemFiles() const { return system; }

    // The FAT entries of clusters from first on, as many as one large read
    // holds (none at or past mappedEnd()), from a mirror where the active FAT
    // fails; false when neither gave them, and they read as free.
    bool fatEntries(std::uint64_t first, std::vector<std::uint32_t>& entries);

private:
    // Bytes of the FAT (or of the bitmap) kept from their byte from on.
    struct Block {
        std::uint64_t from = 0;
        std::vector<unsigned char> bytes;
    };

    void readFat(MapFindings& findings);
    void take(std::uint32_t cluster, std::uint32_t value, std::uint32_t& open);
    void keep(const Stretch& stretch);
    // The entry of cluster in bytes of the FAT read from its byte from on.
    std::uint32_t decode(const unsigned char* bytes, std::uint64_t from, std::uint64_t cluster) const;
    bool readFatBytes(std::uint64_t from, unsigned char* bytes, std::uint32_t count);
    // A FAT entry read from the source, for clusters past the stretches held;
    // false when the budget of FAT reads refused it.
    bool entry(std::uint32_t cluster, std::uint32_t& value);
    // The block of the FAT that holds byte at, from the cache or read into it;
    // null when the budget refused the read.
    const Block* fatBlock(std::uint64_t at);
    void findBitmap(const SystemFile& bitmap, MapFindings& findings);

    SourceReader& reader;
    VolumeGeometry volume;
    ScanBudget& spend;
    std::size_t maxStretches;
    std::vector<Stretch> held;
    std::uint64_t heldBytes = 0;
    std::uint64_t covered = 0;
    std::uint64_t mapped = 2;
    std::vector<SystemFile> system;
    std::vector<unsigned char> raw;
    std::vector<Block> cache;
    std::unordered_map<std::uint64_t, std::size_t> cached;
    std::uint64_t cacheBytes = 0;
    std::size_t oldest = 0;
    bool stoppedUnread = false;
    std::uint64_t cutReads = 0;
    // exFAT: the allocation bitmap's clusters, and the byte of the bitmap
    // each run begins at; empty where no bitmap was found.
    std::vector<ClusterRun> bitmapRuns;
    std::vector<std::uint64_t> bitmapAt;
    Block bitmapBlock;
};

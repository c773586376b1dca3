#pragma once

#include "VolumeGeometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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
    // exFAT: no allocation bitmap could be read; no cluster counts as
    // allocated.
    bool noBitmap = false;
};

// The FAT and the allocation of every cluster, read once, sequentially, and
// kept small: one bit per cluster for "allocated" (a FAT entry that is not
// free; on exFAT the allocation bitmap's bit), and the links only as
// stretches, which grow with the fragments of the files rather than with the
// clusters. A 512 GB card of 16 M clusters takes 2 MiB and 12 bytes a
// fragment, at most maxStretches of them.
class ClusterMap {
public:
    static constexpr std::size_t defaultMaxStretches = 1 << 20;

    ClusterMap(SourceReader& reader, const VolumeGeometry& geometry, std::size_t maxStretches = defaultMaxStretches)
        : reader(reader), volume(geometry), maxStretches(maxStretches) {}
    ClusterMap(const ClusterMap&) = delete;
    ClusterMap& operator=(const ClusterMap&) = delete;

    // Reads the active FAT (a mirror where a sector of it fails) and, on
    // exFAT, the allocation bitmap its root directory names.
    MapFindings read();

    const VolumeGeometry& geometry() const { return volume; }
    SourceReader& source() { return reader; }

    // False also for a cluster outside the volume or at or past mappedEnd().
    bool allocated(std::uint32_t cluster) const;
    // The first cluster whose FAT entry lies past the source's end: no chain
    // reaches it, and its data, after the FAT, lies past the end too.
    std::uint64_t mappedEnd() const { return mapped; }
    // The stretch that begins at cluster (valid); false when its FAT entry is
    // free.
    bool stretchFrom(std::uint32_t cluster, Stretch& stretch);
    LinkKind kindOf(std::uint32_t link) const;

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
    void readFat(MapFindings& findings);
    void take(std::uint32_t cluster, std::uint32_t value, std::uint32_t& open);
    void keep(const Stretch& stretch);
    // The entry of cluster in bytes of the FAT read from its byte from on.
    std::uint32_t decode(const unsigned char* bytes, std::uint64_t from, std::uint64_t cluster) const;
    bool readFatBytes(std::uint64_t from, unsigned char* bytes, std::uint32_t count);
    // A FAT entry read from the source, for clusters past the stretches held.
    std::uint32_t entry(std::uint32_t cluster);
    void readBitmap(const SystemFile& bitmap, MapFindings& findings);
    void setAllocated(std::uint32_t cluster) { bits[(cluster - 2) / 64] |= 1ull << ((cluster - 2) % 64); }

    SourceReader& reader;
    VolumeGeometry volume;
    std::size_t maxStretches;
    std::vector<std::uint64_t> bits;
    std::vector<Stretch> held;
    std::uint64_t covered = 0;
    std::uint64_t mapped = 2;
    std::vector<SystemFile> system;
    std::vector<unsigned char> raw;
    std::vector<unsigned char> cache;
    std::uint64_t cacheFrom = 0;
};

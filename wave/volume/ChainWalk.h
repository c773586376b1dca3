#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>

class ClusterBitmap;
class ClusterMap;

// Clusters first to first + count - 1.
struct ClusterRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// How a chain ended.
enum class ChainEnd {
    // Not yet.
    Running,
    // At an end-of-chain mark; for a file without a chain, after its clusters.
    End,
    // At a link to a cluster whose entry is free (the first cluster's own
    // entry, for a chain never written).
    Free,
    // At a link to a cluster marked bad.
    Bad,
    // At a link into the reserved values.
    Reserved,
    // At a link to a cluster outside the volume (the first cluster, too).
    OutOfRange,
    // At a link back to a cluster of the chain.
    Loop,
    // At the limit of clusters it was given.
    TooLong,
    // At a cluster the walk was told to stop at (one that another chain holds).
    Joined,
    // At a link the scan did not read: its budget of FAT reads was spent.
    Unread
};

// Follows a chain from its first cluster as runs of consecutive clusters,
// each cluster at most once, and says how it ended; or, for a file without a
// chain (exFAT's contiguous files), gives its clusters in a row. Never takes
// more than limit clusters, and never one past the volume's end. A chain of
// more runs than the walk remembers one by one is remembered in a set whose
// memory the map's budget gives; where it refuses, the walk ends TooLong.
class ChainWalk {
public:
    // stopAt: up to three sets of clusters the chain ends at (Joined); null
    // ones are passed over.
    ChainWalk(ClusterMap& map, std::uint32_t first, std::uint64_t limit, bool contiguous = false,
        std::initializer_list<const ClusterBitmap*> stopAt = {});
    ~ChainWalk();

    // The next run; false once the chain has ended, and end() tells how.
    bool next(ClusterRun& run);
    ChainEnd end() const { return ended; }
    // The link that ended it, for the ends after a link.
    std::uint32_t endLink() const { return lastLink; }
    std::uint64_t taken() const { return clusters; }

    // Runs remembered one by one before a set of the volume's clusters takes
    // over.
    static constexpr std::size_t runsRemembered = 1 << 12;

private:
    // The first cluster of [first, last] the walk took already, 0 when none
    // is.
    std::uint32_t firstSeen(std::uint32_t first, std::uint32_t last) const;
    void remember(const ClusterRun& run);
    bool finish(ChainEnd how, std::uint32_t link);

    ClusterMap& map;
    std::uint32_t pending;
    std::uint64_t limit;
    bool contiguous;
    std::array<const ClusterBitmap*, 3> stopAt = {};
    ChainEnd ended = ChainEnd::Running;
    std::uint32_t lastLink = 0;
    std::uint64_t clusters = 0;
    std::set<std::pair<std::uint32_t, std::uint32_t>> runs;
    std::unique_ptr<ClusterBitmap> seen;
};

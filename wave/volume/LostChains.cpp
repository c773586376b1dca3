#include "LostChains.h"

#include "ClusterBitmap.h"
#include "ClusterMap.h"

#include <algorithm>
#include <vector>

namespace {

// Hands take every chain head: a cluster with a FAT entry that no FAT entry
// links to. Where the map holds the whole FAT as stretches, a stretch's first
// cluster (no link from the cluster before it) unless another stretch jumps to
// it; otherwise every cluster, against the targets of one more pass over the
// FAT.
template <typename Take>
void forEachHead(ClusterMap& map, Take take) {
    if (map.coveredUpTo() == 2 + std::uint64_t(map.geometry().clusterCount)) {
        std::vector<std::uint32_t> targets;
        for (const Stretch& stretch : map.stretches()) {
            if (map.kindOf(stretch.link) == LinkKind::Next)
                targets.push_back(stretch.link);
        }
        std::sort(targets.begin(), targets.end());
        for (const Stretch& stretch : map.stretches()) {
            if (!std::binary_search(targets.begin(), targets.end(), stretch.first))
                take(stretch.first);
        }
        return;
    }
    ClusterBitmap linked(map.mappedEnd());
    std::vector<std::uint32_t> entries;
    for (std::uint64_t first = 2; first < map.mappedEnd(); first += entries.size()) {
        map.fatEntries(first, entries);
        for (std::uint32_t link : entries) {
            if (map.kindOf(link) == LinkKind::Next)
                linked.mark(link, 1);
        }
    }
    Stretch stretch;
    for (std::uint32_t cluster = 2; cluster < map.mappedEnd(); ++cluster) {
        if (!linked.marked(cluster) && map.stretchFrom(cluster, stretch))
            take(cluster);
    }
}

}

void forEachLostChain(ClusterMap& map, const ClusterBitmap& owned, const std::function<void(const LostChain&)>& visit) {
    ClusterBitmap taken = owned;
    Stretch stretch;
    forEachHead(map, [&](std::uint32_t head) {
        // A cluster marked bad alone heads nothing.
        if (!map.allocated(head) || taken.marked(head) || !map.stretchFrom(head, stretch)
            || (stretch.last == head && map.kindOf(stretch.link) == LinkKind::Bad))
            return;
        ChainWalk walk(map, head, map.geometry().clusterCount, false, &taken);
        ClusterRun run;
        // Marked as they come: the walk still tells its own loop from a
        // join, since its own runs count first.
        while (walk.next(run))
            taken.mark(run.first, run.count);
        visit({head, walk.taken(), walk.end()});
    });
}

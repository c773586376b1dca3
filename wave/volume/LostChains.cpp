#include "LostChains.h"

#include "ClusterBitmap.h"
#include "ClusterMap.h"

#include <algorithm>
#include <vector>

namespace {

// Hands take every chain head: a cluster with a FAT entry that no FAT entry
// links to. Where the map holds the whole FAT as stretches, a stretch's first
// cluster (no link from the cluster before it) unless another stretch jumps to
// it; otherwise every cluster whose entry is not free, against the targets of
// one more pass over the FAT, in two passes more.
template <typename Take>
std::uint64_t forEachHead(ClusterMap& map, Take take) {
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
        return 0;
    }
    ClusterBitmap linked(map.mappedEnd(), map.budget());
    std::vector<std::uint32_t> entries;
    for (std::uint64_t first = 2; first < map.mappedEnd(); first += entries.size()) {
        map.fatEntries(first, entries);
        for (std::uint32_t link : entries) {
            if (map.kindOf(link) == LinkKind::Next)
                linked.mark(link, 1);
        }
    }
    for (std::uint64_t first = 2; first < map.mappedEnd(); first += entries.size()) {
        map.fatEntries(first, entries);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::uint32_t cluster = static_cast<std::uint32_t>(first + i);
            if (entries[i] != 0 && !linked.marked(cluster))
                take(cluster);
        }
    }
    return linked.coarse();
}

}

std::uint64_t forEachLostChain(ClusterMap& map, std::initializer_list<const ClusterBitmap*> held,
    const std::function<void(const LostChain&)>& visit) {
    const ClusterBitmap* sets[2] = {};
    std::size_t count = 0;
    for (const ClusterBitmap* set : held) {
        if (count < 2)
            sets[count++] = set;
    }
    // The clusters of the lost chains walked so far.
    ClusterBitmap walked(map.mappedEnd(), map.budget());
    Stretch stretch;
    const std::uint64_t unseen = forEachHead(map, [&](std::uint32_t head) {
        const bool taken = walked.marked(head) || (sets[0] != nullptr && sets[0]->marked(head))
            || (sets[1] != nullptr && sets[1]->marked(head));
        // A cluster marked bad alone heads nothing.
        if (taken || !map.allocated(head) || !map.stretchFrom(head, stretch)
            || (stretch.last == head && map.kindOf(stretch.link) == LinkKind::Bad))
            return;
        ChainWalk walk(map, head, map.geometry().clusterCount, false, {sets[0], sets[1], &walked});
        ClusterRun run;
        // Marked as they come: the walk still tells its own loop from a
        // join, since its own runs count first.
        while (walk.next(run))
            walked.mark(run.first, run.count);
        visit({head, walk.taken(), walk.end()});
    });
    return unseen + walked.coarse();
}

#include "LostChains.h"

#include "ClusterBitmap.h"
#include "ClusterMap.h"

#include <algorithm>
#include <vector>

bool forEachLostChain(ClusterMap& map, const ClusterBitmap& owned, const std::function<void(const LostChain&)>& visit) {
    const std::vector<Stretch>& stretches = map.stretches();
    // A stretch's first cluster has no link from the cluster before it; it
    // heads a chain unless another stretch jumps to it.
    std::vector<std::uint32_t> targets;
    for (const Stretch& stretch : stretches) {
        if (map.kindOf(stretch.link) == LinkKind::Next)
            targets.push_back(stretch.link);
    }
    std::sort(targets.begin(), targets.end());
    ClusterBitmap taken = owned;
    for (const Stretch& stretch : stretches) {
        const std::uint32_t head = stretch.first;
        if (std::binary_search(targets.begin(), targets.end(), head) || !map.allocated(head) || taken.marked(head)
            || (stretch.last == head && map.kindOf(stretch.link) == LinkKind::Bad))
            continue;
        ChainWalk walk(map, head, map.geometry().clusterCount, false, &taken);
        ClusterRun run;
        // Marked as they come: the walk still tells its own loop from a
        // join, since its own runs count first.
        while (walk.next(run))
            taken.mark(run.first, run.count);
        visit({head, walk.taken(), walk.end()});
    }
    return map.coveredUpTo() == 2 + std::uint64_t(map.geometry().clusterCount);
}

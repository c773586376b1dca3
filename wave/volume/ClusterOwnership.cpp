#include "ClusterOwnership.h"

#include "ClusterMap.h"

namespace {

ChainEnd mark(ClusterMap& map, std::uint32_t first, bool contiguous, std::uint64_t bytes, ClusterBitmap& owned) {
    if (first == 0)
        return ChainEnd::End;
    const VolumeGeometry& volume = map.geometry();
    const std::uint64_t limit =
        contiguous ? (bytes + volume.clusterBytes - 1) / volume.clusterBytes : volume.clusterCount;
    // A chain that reaches a cluster some chain marked before goes on as that
    // one did, so the walk stops there: a crafted FAT of many entries on one
    // long chain costs its length once, not once per entry.
    ChainWalk walk(map, first, limit, contiguous, {contiguous ? nullptr : &owned});
    ClusterRun run;
    while (walk.next(run))
        owned.mark(run.first, run.count);
    return walk.end();
}

}

ChainEnd markEntryClusters(ClusterMap& map, const VolumeEntry& entry, ClusterBitmap& owned) {
    return mark(map, entry.firstCluster, entry.contiguous, entry.size, owned);
}

void markSystemClusters(ClusterMap& map, ClusterBitmap& owned) {
    mark(map, map.geometry().rootCluster, false, 0, owned);
    // exFAT keeps these two by their FAT chain, but a writer that left it out
    // still put them in a row.
    for (const SystemFile& file : map.systemFiles()) {
        Stretch stretch;
        const bool chained =
            validCluster(map.geometry(), file.firstCluster) && map.stretchFrom(file.firstCluster, stretch);
        mark(map, file.firstCluster, !chained, file.bytes, owned);
    }
}

#pragma once

#include "ChainWalk.h"

#include <cstdint>
#include <functional>

class ClusterBitmap;
class ClusterMap;

// A chain in the FAT that no entry reaches: the clusters of a file whose entry
// was never written or is gone.
struct LostChain {
    std::uint32_t first = 0;
    std::uint64_t clusters = 0;
    ChainEnd end = ChainEnd::End;
};

// Hands visit every chain head (an allocated cluster with a FAT entry that no
// FAT entry links to) that owned does not hold, in cluster order, followed
// until it ends, loops, or meets a cluster that owned or an earlier lost chain
// holds (ChainEnd::Joined). owned holds the clusters of every live entry and
// of the volume's own structures (see ClusterOwnership.h). Where the map keeps
// only part of the FAT, the heads are sought in one more pass over it.
void forEachLostChain(ClusterMap& map, const ClusterBitmap& owned, const std::function<void(const LostChain&)>& visit);

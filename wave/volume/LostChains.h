#pragma once

#include "ChainWalk.h"

#include <cstdint>
#include <functional>
#include <initializer_list>

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
// FAT entry links to) that none of held holds, in cluster order, followed
// until it ends, loops, or meets a cluster that held or an earlier lost chain
// holds (ChainEnd::Joined). held: the clusters of every live entry and of the
// volume's own structures (see ClusterOwnership.h), and up to one more set to
// pass over. Where the map keeps only part of the FAT, the heads are sought in
// one more pass over it. Returns the clusters passed over without a look
// because the budget's memory could not tell them apart (0 when none).
std::uint64_t forEachLostChain(ClusterMap& map, std::initializer_list<const ClusterBitmap*> held,
    const std::function<void(const LostChain&)>& visit);

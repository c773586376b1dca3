#pragma once

#include "ChainWalk.h"
#include "ClusterBitmap.h"
#include "VolumeEntry.h"

class ClusterMap;

// Marks into owned the clusters an entry holds: its whole chain, or for a
// file without one (exFAT's contiguous files) its first cluster and the
// clusters its data length needs; owned is best made
// ClusterBitmap(map.mappedEnd(), map.budget()). A chain stops at the first cluster owned
// already (ChainEnd::Joined): the rest of it was marked with the chain that
// marked that one. Returns how the chain ended (End for an entry of no
// clusters).
ChainEnd markEntryClusters(ClusterMap& map, const VolumeEntry& entry, ClusterBitmap& owned);

// Marks the clusters of the volume's own structures: the root directory of
// FAT32 and exFAT, exFAT's allocation bitmap and up-case table.
void markSystemClusters(ClusterMap& map, ClusterBitmap& owned);

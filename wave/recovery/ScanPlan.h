#pragma once

#include "RecoveryScan.h"
#include "SourceReader.h"
#include "VolumeScan.h"

// The metadata of a volume read before its data: every entry, the first bytes
// of the recordings they and the lost chains hold (small reads), and the last
// cluster of each live recording, whose sound may go on past its entry's size.
// Live files that are fine are owned; the recordings found claim their chains
// or wait for their first cluster in the pass.
void planScan(VolumeScan& scan, RecoveryEvents& events);

// What readAlong read: the bytes up to the source's end (done), and the
// ranges of them that could not be read, which are zeros.
struct [[nodiscard]] AlongRead {
    std::size_t done = 0;
    ReadGaps gaps;
};

// Reads count bytes of a recording from its byte from on, along its clusters
// runs (in its order), stopping at the source's end.
AlongRead readAlong(ClusterMap& map, const std::vector<ClusterRun>& runs, std::uint64_t from, std::size_t count,
    unsigned char* bytes);

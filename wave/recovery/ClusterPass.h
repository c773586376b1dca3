#pragma once

#include "OutputNames.h"
#include "TrackFork.h"
#include "RecoveryScan.h"
#include "SourceReader.h"
#include "VolumeScan.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The data of a volume read once, in ascending order and large reads, past the
// clusters live files own: each cluster goes to the recording whose chain
// claims it, begins a recording, continues the sound of a recording followed
// without a chain (the one it continues clearly best), or ends those.
class ClusterPass {
public:
    ClusterPass(VolumeScan& scan, NewFiles& files, OutputNames& names, const RecoverySettings& settings,
        RecoveryEvents& events)
        : scan(scan), files(files), names(names), settings(settings), events(events), volume(scan.map.geometry()) {}

    // found: the recordings reported so far in the whole scan, for progress.
    void run(std::uint64_t total, std::size_t& found);

private:
    // ahead: the bytes from data on that belong to clusters in a row that no
    // chain claims, read in the same read.
    void take(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable);
    void takeClaimed(const ClaimedRun& claim, std::uint32_t cluster, const unsigned char* data, bool readable);
    void begin(std::size_t index, std::uint32_t cluster, const unsigned char* data);
    bool startOutput(FoundRecording& recording);
    // A cluster that no chain claims and that begins no recording, to the
    // recordings followed by their sound: through the fork while one is open.
    // woken: live recordings that looked fine, whose last cluster lies close
    // before this one, which they may continue where no other recording does.
    void feed(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable,
        const std::vector<std::size_t>& woken = {});
    void follow(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable,
        const std::vector<std::size_t>& woken);
    // The recording among woken that the cluster continues clearly best takes
    // it, after the clusters it owned; false when none does.
    bool wake(const std::vector<std::size_t>& woken, std::uint32_t cluster, const unsigned char* data);
    // Carries out the fork's verdict once it has one (or, closing, in any
    // case) and takes the clusters it held.
    void settle(bool closing);
    // Sound with no header before it, where lost headers are revived.
    void reviveLost(std::uint32_t cluster, const unsigned char* data, std::size_t ahead);
    void append(std::size_t index, std::uint32_t cluster, const unsigned char* data);
    void judgeLast(FoundRecording& recording, const unsigned char* data, std::uint64_t at);
    void put(FoundRecording& recording, std::uint64_t at, const unsigned char* data, std::uint32_t count);
    void end(std::size_t index, RecordingEnd how);
    // Ends the recordings that have taken no cluster for far longer than they
    // waited before: their sound ended, and another's goes on.
    void endIdle();
    void finish(FoundRecording& recording);
    void refuse(FoundRecording& recording, RepairResult result);
    bool claimedAlive(std::uint32_t cluster, std::size_t& claim);

    VolumeScan& scan;
    NewFiles& files;
    OutputNames& names;
    const RecoverySettings& settings;
    RecoveryEvents& events;
    const VolumeGeometry& volume;
    // The recordings followed by their sound, open to the next cluster.
    std::vector<std::size_t> open;
    TrackFork fork;
    std::size_t pendingAt = 0;
    std::size_t dormantAt = 0;
    // The clusters no chain claims met so far.
    std::uint64_t unclaimed = 0;
    std::size_t* reported = nullptr;
    // What the reads of the clusters being taken could not read.
    ReadGaps chunkGaps;
};

#pragma once

#include "OutputNames.h"
#include "RecoveryScan.h"
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
    void take(std::uint32_t cluster, const unsigned char* data, bool readable);
    void takeClaimed(const ClaimedRun& claim, std::uint32_t cluster, const unsigned char* data, bool readable);
    void begin(std::size_t index, std::uint32_t cluster, const unsigned char* data);
    bool startOutput(FoundRecording& recording);
    void follow(std::uint32_t cluster, const unsigned char* data, bool readable);
    void append(std::size_t index, std::uint32_t cluster, const unsigned char* data);
    void judgeLast(FoundRecording& recording, const unsigned char* data, std::uint64_t at);
    void put(FoundRecording& recording, std::uint64_t at, const unsigned char* data, std::uint32_t count);
    void end(std::size_t index, RecordingEnd how);
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
    std::size_t claimAt = 0;
    std::size_t pendingAt = 0;
    std::size_t* reported = nullptr;
};

#pragma once

#include "OutputNames.h"
#include "RecoveryScan.h"
#include "SourceReader.h"
#include "TrackFork.h"
#include "VolumeScan.h"
#include "WriteOrder.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// The data of a volume read once, in ascending order and large reads, past the
// clusters live files own: each cluster goes to the recording whose chain
// claims it, begins a recording, continues the sound of a recording followed
// without a chain (the one it continues clearly best, or the one the order of
// the writes proves), or ends those. Glossary.md names the pass's terms.
class ClusterPass {
public:
    ClusterPass(VolumeScan& scan, NewFiles& files, OutputNames& names, const RecoverySettings& settings,
        RecoveryEvents& events)
        : scan(scan), files(files), names(names), settings(settings), events(events), volume(scan.map.geometry()) {}

    // passed: the bytes of the volumes' clusters passed so far in the whole
    // scan, of total; found: the recordings reported; both for progress.
    void run(std::uint64_t total, std::uint64_t& passed, std::size_t& found);

private:
    // ahead: the bytes from data on that belong to clusters in a row that no
    // chain claims, read in the same read.
    void take(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable);
    void takeClaimed(const ClaimedRun& claim, std::uint32_t cluster, const unsigned char* data, bool readable);
    // The recording a header at cluster begins: the entry waiting for it that
    // the header bears out, or one no entry names.
    std::size_t claimant(const std::vector<std::size_t>& waiting, const unsigned char* data);
    void begin(std::size_t index, std::uint32_t cluster, const unsigned char* data);
    // An entry that names cluster as its first, where no header begins: its
    // sound revived in the format given from where it begins, or its report
    // that the header is lost. False when the cluster holds no sound of it.
    bool beginHeaderless(std::size_t index, std::uint32_t cluster, const unsigned char* data, std::size_t ahead);
    // An entry that names cluster as its first, which could not be read: a
    // recording's is reported, with where.
    void headUnreadable(std::size_t index, std::uint32_t cluster);
    // The name a recording's new file is asked for.
    std::string requestedName(const FoundRecording& recording) const;
    bool startOutput(FoundRecording& recording);
    // Takes from the budget what the run keeps of the recording's new file's
    // name; where it refuses, the recording is passed over: false, and it is
    // retired unreported.
    bool keepName(std::size_t index);
    // A cluster that no chain claims and that begins no recording, to the
    // recordings followed by their sound: through the fork while one is open.
    void feed(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable);
    void follow(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable);
    // Copies a dormant recording's own clusters to its new file: it goes on.
    // False where it is passed over.
    bool wake(std::size_t index);
    // Carries out the fork's verdict once it has one (or, closing, in any
    // case) and takes the clusters it held.
    void settle(bool closing);
    // Sound with no header before it, where lost headers are revived: a new
    // recording that no entry names. False when the cluster begins none.
    bool reviveLost(std::uint32_t cluster, const unsigned char* data, std::size_t ahead);
    void append(std::size_t index, std::uint32_t cluster, const unsigned char* data);
    // Adds cluster to those the recording's sound took; false, adding none,
    // where their pieces would pass what a recording keeps or the budget.
    bool extend(FoundRecording& recording, std::uint32_t cluster);
    // Keeps a recording the pass found, where one it let go of kept it before
    // if it can: the recordings it finds in a card do not grow what it keeps.
    std::size_t place(std::unique_ptr<FoundRecording> recording);
    void judgeLast(FoundRecording& recording, const unsigned char* data, std::uint64_t at);
    void put(FoundRecording& recording, std::uint64_t at, const unsigned char* data, std::uint32_t count);
    // Opens a recording to the clusters that continue its sound.
    void admit(std::size_t index);
    void end(std::size_t index, RecordingEnd how);
    void endAll(RecordingEnd how);
    // Ends the recordings that have taken no cluster for far longer than they
    // waited before: their sound ended, and another's goes on; lets go of the
    // dormant ones the pass has left behind.
    void endIdle(std::uint32_t cluster);
    // Reports the recording once its new file is whole (or in a dry run,
    // judged), or that it is refused; either way it is retired.
    void finish(std::size_t index);
    void refuse(std::size_t index, RepairResult result);
    // Lets go of a recording the pass is done with, reported or not (a live
    // file that was whole after all, an entry whose claim the card refutes):
    // what a scan keeps does not grow with the recordings it has found.
    void retire(std::size_t index);
    bool claimedAlive(std::uint32_t cluster, std::size_t& claim);

    VolumeScan& scan;
    NewFiles& files;
    OutputNames& names;
    const RecoverySettings& settings;
    RecoveryEvents& events;
    const VolumeGeometry& volume;
    // The recordings the plan found come first; those the pass found after,
    // and the places of those it let go of, ready for others.
    std::size_t planned = 0;
    std::deque<std::size_t> spare;
    // The recordings begun that the budget left no room for.
    std::uint64_t passedOver = 0;
    // The recordings followed by their sound, open to the next cluster.
    std::vector<std::size_t> open;
    // The dormant ones whose last cluster the pass has passed, which may take
    // the clusters after it.
    std::vector<std::size_t> watching;
    TrackFork fork;
    WriteOrder order;
    std::size_t pendingAt = 0;
    std::size_t dormantAt = 0;
    // The clusters no chain claims met so far.
    std::uint64_t unclaimed = 0;
    std::size_t* reported = nullptr;
    // What the read of the clusters being taken could not read.
    const ReadGaps* chunkGaps = nullptr;
};

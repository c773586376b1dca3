#pragma once

#include "ChainWalk.h"
#include "RecordingOutput.h"
#include "RecordingStart.h"
#include "RecoveredRecording.h"
#include "RevivalFormat.h"
#include "SoundTail.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Where a recording is in its life through the pass (see Glossary.md). The
// moves: Planned -> Following (begun at its first cluster), or retired at its
// first cluster (reported as refused there, or its entry's claim refuted);
// Chained -> Following (its sound runs on past its chain) or Ended; Dormant
// -> Following (woken), or retired unreported once the pass has left it
// behind; Following -> Ended; Ended -> retired, reported, once the last
// cluster of its chain has passed. A retired recording is gone from the scan.
enum class Life {
    // An entry names its first cluster but no chain: it waits for the pass
    // to reach that cluster.
    Planned,
    // Its chain's clusters come to it as the pass reaches them.
    Chained,
    // It takes the clusters no chain claims that continue its sound.
    Following,
    // A live file that looks whole, whose sound may go on past its last
    // cluster: it watches the clusters after it.
    Dormant,
    // It takes no more clusters; it is reported once its chain has passed.
    Ended
};

// A recording a scan recovers, from the moment it is found to its report: the
// clusters known to be its own before the pass (a chain, or a contiguous
// entry's clusters), the end of its sound while it is followed through the
// pass, and its new file. Its bytes are counted from its own first byte (the
// header's); they go to the same offsets of the new file, or, where its header
// was lost and is rebuilt, after the new header, from where its frames begin.
struct FoundRecording {
    Life life = Life::Planned;
    RecoveredRecording report;
    // The clusters known before the pass, in the recording's order; where
    // chainEnd is not Chain, the chain ended otherwise.
    std::vector<ClusterRun> chain;
    std::uint64_t chainClusters = 0;
    RecordingEnd chainEnd = RecordingEnd::Chain;
    std::uint64_t chainPassed = 0;
    // Followed by its sound past its chain's last cluster, where its sound
    // runs on to that cluster's end: a chain, an entry's size or a header's
    // size says where a recording the card does not describe in full at
    // least goes, not where it ends.
    bool followsSound = false;
    std::uint32_t firstCluster = 0;
    // The entry's name, for its new file's; empty where it has no entry.
    std::string fileName;
    // A deleted entry's size, which its first cluster's header must state for
    // the entry to be the recording's (limit is then that size).
    std::uint64_t claimSize = 0;
    // The recording's length, where it is known (a deleted entry's that its
    // header confirms).
    std::uint64_t limit = 0;
    // A stale entry's size: the recording is no news unless it is longer.
    std::uint64_t entrySize = 0;
    // Its first bytes as read, for its header.
    std::vector<unsigned char> head;
    RecordingStart start;
    // Its header was judged (a chain's, at its first cluster in the pass).
    bool started = false;
    // Where its header was lost: the header written before its frames, and
    // where those begin among its bytes.
    std::vector<unsigned char> rebuilt;
    RevivalFormat format;

    RecordingOutput output;
    std::unique_ptr<SoundTail> tail;
    // The clusters taken by its sound, in its order, and what their list
    // took from the scan's budget.
    std::vector<ClusterRun> followed;
    std::uint64_t followedCharge = 0;
    // Its bytes so far, where its last cluster begins, and where in that
    // cluster's bytes its sound was judged to stop.
    std::uint64_t length = 0;
    std::uint64_t lastStart = 0;
    std::uint64_t judgedEnd = 0;
    // Where in that cluster's bytes a sector stops continuing its sound (the
    // cluster's length where none does).
    std::size_t judgedStop = 0;
    // A recording's header came since it last took a cluster.
    bool headerSince = false;
    // When it last took a cluster followed by its sound, counted in the
    // clusters no chain claims, and the longest it waited between two.
    std::uint64_t lastTaken = 0;
    std::uint64_t longestWait = 0;

    // The offset in the new file of the recording's byte at, and whether it
    // is written at all.
    bool placed(std::uint64_t at, std::uint64_t& offset) const;
};

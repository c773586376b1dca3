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

// A recording a scan recovers, from the moment it is found to its report: the
// clusters known to be its own before the pass (a chain, or a contiguous
// entry's clusters), the end of its sound while it is followed through the
// pass, and its new file. Its bytes are counted from its own first byte (the
// header's); they go to the same offsets of the new file, or, where its header
// was lost and is rebuilt, after the new header, from where its frames begin.
struct FoundRecording {
    RecoveredRecording report;
    // The clusters known before the pass, in the recording's order; where
    // chainEnd is not Chain, the chain ended otherwise.
    std::vector<ClusterRun> chain;
    std::uint64_t chainClusters = 0;
    RecordingEnd chainEnd = RecordingEnd::Chain;
    std::uint64_t chainPassed = 0;
    // Followed by its sound: from its first cluster, or past its chain (a
    // stale entry).
    bool followsSound = false;
    std::uint32_t firstCluster = 0;
    // The entry's name, for its new file's; empty where it has no entry.
    std::string fileName;
    // A deleted entry's size: the recording's length, where it is not 0.
    std::uint64_t limit = 0;
    // A stale entry's size: the recording is no news unless it is longer.
    std::uint64_t entrySize = 0;
    // Its first bytes as read, for its header.
    std::vector<unsigned char> head;
    RecordingStart start;
    // Where its header was lost: the header written before its frames, and
    // where those begin among its bytes.
    std::vector<unsigned char> rebuilt;
    RevivalFormat format;

    RecordingOutput output;
    std::unique_ptr<SoundTail> tail;
    // The clusters taken by its sound, in its order.
    std::vector<ClusterRun> followed;
    // Its bytes so far, where its last cluster begins, and where in that
    // cluster's bytes its sound was judged to stop.
    std::uint64_t length = 0;
    std::uint64_t lastStart = 0;
    std::uint64_t judgedEnd = 0;
    // Where in that cluster's bytes a sector stops continuing its sound (the
    // cluster's length where none does).
    std::size_t judgedStop = 0;
    // Its header was judged (a chain's, at its first cluster in the pass).
    bool started = false;
    bool open = false;
    // A recording's header came since it last took a cluster.
    bool headerSince = false;
    // When it last took a cluster followed by its sound, counted in the
    // clusters no chain claims, and the longest it waited between two.
    std::uint64_t lastTaken = 0;
    std::uint64_t longestWait = 0;
    bool done = false;

    // The offset in the new file of the recording's byte at, and whether it
    // is written at all.
    bool placed(std::uint64_t at, std::uint64_t& offset) const;
};

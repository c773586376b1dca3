#pragma once

#include "LayoutFindings.h"
#include "RepairResult.h"
#include "SourceRange.h"

#include <cstdint>
#include <string>
#include <vector>

// What the file system says, or no longer says, of a recording found.
enum class FoundAs {
    // A live entry of 0 bytes.
    ZeroEntry,
    // A live entry whose size, or whose header, says less than its clusters
    // hold.
    StaleEntry,
    DeletedEntry,
    // A chain in the FAT that no entry reaches.
    LostChain,
    // Clusters that begin a recording, with no entry at all.
    NoEntry
};

// Where a recording ended.
enum class RecordingEnd {
    // At the end of its chain.
    Chain,
    // At the size of its entry (a deleted one's).
    EntrySize,
    // At the end its header states, which lies in its last cluster.
    StatedSize,
    // Where the next cluster, or a sector of its last one, does not continue
    // its sound.
    SoundStops,
    // At clusters of nothing but zeros or 0xFF.
    Erased,
    // At the header of another recording.
    NextRecording,
    // Where another recording continued as well, which could not be told apart.
    LikeAnother,
    VolumeEnd,
    // Where the source ends, an image cut short.
    SourceEnd,
    // At a cluster that could not be read.
    Unreadable,
    // At a link of its chain back into the chain.
    ChainLoop,
    // At a cluster that a live file or another recording holds.
    ChainJoined,
    // At a link to a cluster marked bad, into the reserved values or out of
    // the volume.
    ChainBroken,
    // Its clusters came in more pieces than a scan keeps.
    TooFragmented
};

// One recording a scan found, and what became of it.
struct RecoveredRecording {
    // Repaired: recovered (in a dry run: would be); Unsupported; FileError.
    RepairResult result = Repaired;
    FoundAs foundAs = FoundAs::NoEntry;
    RecordingEnd end = RecordingEnd::SoundStops;
    // The partition it lies in, as its table numbers it (0: no table).
    unsigned volume = 0;
    // The entry's path on the card (see VolumeEntry), empty where none is
    // known.
    std::string name;
    // Where its first byte lies in the source.
    std::uint64_t offset = 0;
    // The bytes of the source it was made of, in its order.
    std::vector<SourceRange> taken;
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    std::uint32_t rate = 0;
    // Its new file (where it would go, in a dry run); empty where none was
    // made.
    std::string output;
    // Unsupported: the default rule's findings on its header, unless the
    // format is one that cannot be followed without a chain.
    LayoutFindings layout;
    bool notFollowable = false;
    // Its header runs on past its first cluster, which cannot be followed
    // without a chain.
    bool headerPastCluster = false;
    // Its entry names a first cluster that holds no header, and no format
    // was given to revive it in (or, revived, no sound of that format).
    bool headerLost = false;
    // FileError: the system's words on the new file, and what was done; or
    // where its first bytes could not be read (headUnreadable not empty).
    std::string why;
    SourceRange headUnreadable;
    // Bytes of it that could not be read, written as zeros, and where they lie
    // in the source (in its order; the first maxUnreadableRanges of them).
    std::uint64_t unreadable = 0;
    std::vector<SourceRange> unreadableRanges;

    static constexpr std::size_t maxUnreadableRanges = 4096;
    // Its header was lost and rebuilt in the format given (or, headerLost,
    // would have been).
    bool revived = false;
};

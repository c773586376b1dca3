#pragma once

#include "CreatedFile.h"
#include "FormatFit.h"
#include "RandomFileAccess.h"
#include "RepairResult.h"
#include "RevivalFormat.h"

#include <cstdint>

// Why a recording that lost its header was not revived.
enum class RevivalFault {
    None,
    // Only silence where the audio would be: it proves no format.
    Silence,
    // The bytes do not read as the format; verdict says what fits better.
    NoFit,
    // The channel order cannot be told (see StartFault::ChannelOrder).
    ChannelOrder
};

struct RevivalFindings {
    RevivalFault fault = RevivalFault::None;
    FormatVerdict verdict;
    std::uint64_t fileSize = 0;
    // Where the audio begins, and whether the header goes before it in place
    // or into a new file.
    std::uint64_t audioAt = 0;
    bool inPlace = false;
    // A file error that lies with the new file rather than the recording.
    bool newFileFailed = false;
};

// Revives a recording that lost its header, described by format: finds where
// its audio begins from the samples (reading at most audioSearchBytes), then
// writes a header before it in place where whole chunks fill the bytes
// before the audio, changing no other byte, or else writes the header and the
// audio to a new file at besidePath, leaving the recording as it was. In
// place, everything but the first four bytes is written and flushed before
// the form identifier, so a crash leaves a file that is revived again the same
// way. Holds no state.
class HeaderReviver {
public:
    // With dryRun nothing is written: the outcome is foretold. keepTime sets
    // the last-write time back after a rewrite in place.
    RepairResult revive(RandomFileAccess& file, const char* path, const RevivalFormat& format, CreatedFile& beside,
        const char* besidePath, bool dryRun, bool keepTime, RevivalFindings& findings) const;
};

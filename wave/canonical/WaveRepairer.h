#pragma once

#include "FileAccess.h"
#include "RepairFindings.h"
#include "RepairResult.h"
#include "WaveHeader.h"

#include <cstdint>

// Checks the 44-byte header of one WAV file and rewrites its two size fields
// in place when they disagree with the file's real size. Holds no state: any
// number may exist and each call stands alone.
class WaveRepairer {
public:
    // The largest file whose sizes fit the header's 32-bit fields (4 GiB + 7).
    static constexpr std::uint64_t largestFileSize = 0xFFFFFFFFull + 8;

    // Repairs the file at path (ANSI, as the system takes it) through the
    // platform's file layer. With keepTime the last-write time survives a
    // rewrite. Each platform's file layer defines it, so the rule itself
    // knows no platform.
    RepairResult repair(const char* path, bool keepTime) const;
    // The same over any file layer; the file is closed again on every path.
    RepairResult repair(FileAccess& file, const char* path, bool keepTime) const;
    // The same, also handing back the header as read and the file size.
    RepairResult repair(FileAccess& file, const char* path, bool keepTime, RepairFindings& findings) const;

    // What repair would answer for the file, found by the same reads and the
    // same judgement but without seeking, writing or setting a time. Over a
    // file layer that opens for reading only it changes nothing.
    RepairResult inspect(FileAccess& file, const char* path, RepairFindings& findings) const;

    bool checkHeader(const WaveHeader& header) const;

    // Accepts only offsets 0 to 0xFFFFFFFF, and only on an open file.
    bool seekTo(FileAccess& file, std::int64_t offset) const;

    // What a header read from a file of fileSize bytes calls for: Unsupported,
    // AlreadyValid, or Repaired when its sizes need rewriting. FileError when
    // the size is shorter than the header itself, so the file changed under us.
    RepairResult assess(const WaveHeader& header, std::uint64_t fileSize) const;

    // Stores the sizes a file of fileSize bytes calls for; assess must have
    // answered Repaired or AlreadyValid for it, so both fit.
    void setSizes(WaveHeader& header, std::uint64_t fileSize) const;

private:
    // assess, recording in findings (whose header and size it judges) why.
    RepairResult judge(RepairFindings& findings) const;
    RepairResult repairOpenFile(FileAccess& file, bool keepTime, RepairFindings& findings) const;
    RepairResult examine(FileAccess& file, FileTime& lastWrite, RepairFindings& findings) const;
};

#pragma once

#include "PosixFileAccess.h"
#include "RepairFindings.h"
#include "RepairResult.h"

#include <string>

// The line sonorix-repair prints for one file, without the line end:
// "FILE: repaired", "FILE: already sound", "FILE: unsupported format (why)",
// "FILE: file error (the system's message)"; a dry run says "would be
// repaired" instead of "repaired".
std::string outcomeLine(const std::string& path, RepairResult result, bool dryRun,
    const RepairFindings& findings, const PosixFileAccess& file);

// Why a file read whole was refused: the first header test it failed, or its
// size.
std::string unsupportedReason(const RepairFindings& findings);

// What went wrong with the file, in the system's words where it gave any.
std::string fileErrorReason(const RepairFindings& findings, const PosixFileAccess& file);

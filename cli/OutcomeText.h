#pragma once

#include "PosixFileAccess.h"
#include "RepairFindings.h"
#include "RepairResult.h"

#include <string>

// The line sonorix-repair prints for one file, without the line end:
// "FILE: repaired", "FILE: already sound", "FILE: unsupported format (why)",
// "FILE: file error (why)"; a dry run says "would be repaired" instead of
// "repaired". why is used for the two failures only.
std::string outcomeLine(const std::string& path, RepairResult result, bool dryRun, const std::string& why);

// Why the canonical rule refused a file read whole: the first header test it
// failed, or its size.
std::string unsupportedReason(const RepairFindings& findings);

// Why the file layer failed, in the system's words where it gave any; empty
// when it reported nothing.
std::string fileLayerReason(const PosixFileAccess& file);

// What went wrong with the file under the canonical rule.
std::string fileErrorReason(const RepairFindings& findings, const PosixFileAccess& file);

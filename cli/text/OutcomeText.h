#pragma once

#include "Catalog.h"
#include "RepairFindings.h"
#include "RepairResult.h"

#include <string>

// The line sonorix-repair prints for one file, without the line end:
// "FILE: repaired", "FILE: already sound", "FILE: unsupported format (why)",
// "FILE: file error (why)" or their Japanese; a dry run says "would be
// repaired" instead of "repaired". why is used for the two failures only.
std::string outcomeLine(Language language, const std::string& path, RepairResult result, bool dryRun,
    const std::string& why);

// The words of an outcome alone: "repaired" (or "would be repaired"),
// "already sound", "unsupported format", "file error".
std::string outcomeWord(Language language, RepairResult result, bool dryRun);

// Why the canonical rule refused a file read whole: the first header test it
// failed, or its size.
std::string unsupportedReason(Language language, const RepairFindings& findings);

// What went wrong with the file under the canonical rule, given why its file
// layer failed (empty when it reported nothing).
std::string fileErrorReason(Language language, const RepairFindings& findings, const std::string& layerReason);

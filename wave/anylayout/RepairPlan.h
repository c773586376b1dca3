#pragma once

#include "LayoutFindings.h"
#include "RandomFileAccess.h"
#include "SizePlan.h"

#include <cstdint>

// Reads the first 12 bytes of a file of fileSize bytes, walks it as the
// container they name and plans the writes that repair it. False when a read
// failed or came up short; otherwise findings.fault says why the file cannot
// be repaired, or is None and plan holds the writes (none for a sound file).
bool planRepair(RandomFileAccess& file, std::uint64_t fileSize, SizePlan& plan, LayoutFindings& findings);

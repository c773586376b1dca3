#pragma once

#include "LayoutFault.h"
#include "RiffLayout.h"
#include "SizePlan.h"

#include <cstdint>

// Plans the writes for a RIFF/WAVE or RF64 file of fileSize bytes whose
// layout readRiffLayout found without a fault. An empty plan means the file is
// already sound. Returns the fault when the rule cannot explain the file; the
// plan is then empty.
//
// The order makes every prefix of the writes a file that readers open and
// that this rule repairs to the same end:
// - The data size comes first: once it reaches the end of the file, what
//   follows the stored data no longer matters, so the RIFF size written after
//   it can no longer make the rule take trailing audio for a chunk. In the
//   64-bit forms the ds64 value comes before the 32-bit field that defers to
//   it.
// - The frame counts and the RIFF size follow; neither changes the judgement.
// - Turning RIFF into RF64, every ds64 field and every 32-bit size field is
//   written while the chunk is still JUNK (which readers skip and this rule
//   takes as room for ds64 again), then the ds64 identifier (a RIFF file with
//   an unknown chunk), and last RF64, which makes the ds64 contents count.
LayoutFault planRiffSizes(const RiffLayout& layout, std::uint64_t fileSize, SizePlan& plan);

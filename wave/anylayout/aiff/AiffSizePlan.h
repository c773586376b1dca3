#pragma once

#include "AiffLayout.h"
#include "LayoutFault.h"
#include "SizePlan.h"

#include <cstdint>

// Plans the writes for an AIFF or AIFF-C file of fileSize bytes whose layout
// readAiffLayout found without a fault: the SSND size, then the COMM frame
// count, then the FORM size, so that, as for RIFF, every prefix of the writes
// is a file that this rule repairs to the same end. AIFF has no 64-bit form:
// a file whose sizes do not fit 32 bits is refused. An empty plan means the
// file is already sound.
LayoutFault planAiffSizes(const AiffLayout& layout, std::uint64_t fileSize, SizePlan& plan);

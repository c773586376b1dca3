#pragma once

#include "LayoutFindings.h"
#include "RandomFileAccess.h"
#include "RepairResult.h"

// Repairs the sizes of a cut-off WAV file of any RIFF/WAVE chunk layout, or
// RF64, in place: the data chunk runs to the end of the file unless it is
// whole, the RIFF size becomes the file size less 8, a fact chunk before the
// data gets the whole frames, and in RF64 the ds64 chunk holds the sizes. A
// RIFF file too large for 32-bit sizes becomes RF64 where a JUNK chunk right
// after WAVE leaves room for ds64. Only chunk headers and the ds64, fmt and
// fact bodies are read, never audio, and only the fields that are wrong are
// written (see SizePlan for the order). Holds no state.
class AnyLayoutRepairer {
public:
    // Repairs the file at path; with keepTime the last-write time survives a
    // rewrite. The file is closed again on every path.
    RepairResult repair(RandomFileAccess& file, const char* path, bool keepTime, LayoutFindings& findings) const;

    // What repair would answer, found by the same reads and the same
    // judgement but without writing, flushing or setting a time.
    RepairResult inspect(RandomFileAccess& file, const char* path, LayoutFindings& findings) const;
};

#pragma once

#include "ByteOrder.h"
#include "ChunkHeader.h"
#include "LayoutFindings.h"
#include "RandomFileAccess.h"

#include <cstdint>

// Reads the header of the count-th chunk of a walk from offset 12 towards the
// audio, at offset at of a file of fileSize bytes, refusing what no walk gets
// past: too many chunks, the end of the file before the audio's chunk, a
// header cut by the end, an identifier that is none. False when the read
// failed; otherwise findings.fault says why the walk stops there, or is None
// and chunk holds the header.
bool readChunkBeforeAudio(RandomFileAccess& file, std::uint64_t fileSize, std::uint64_t at, std::uint64_t count,
    ByteOrder order, ChunkHeader& chunk, LayoutFindings& findings);

#pragma once

#include "RevivalFormat.h"

#include <cstdint>
#include <vector>

// The header of a recording revived with format, followed by audioBytes of
// audio to the end of the file: RIFF (RF64 with ds64 when the file passes
// 4 GiB + 7 bytes), WAVE, fmt, fact for formats that need one, a JUNK chunk
// taking up what room is left, and data, with the sizes the default rule
// gives such a file, so that it finds the file sound. room is the length the
// header must have (the bytes before audio kept in place), or 0 for the
// shortest header. False when whole chunks cannot fill room: shorter than
// the header and an empty JUNK chunk, or odd.
bool buildRevivedHeader(const RevivalFormat& format, std::uint64_t audioBytes, std::uint64_t room,
    std::vector<unsigned char>& header);

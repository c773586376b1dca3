#pragma once

#include "SampleFormat.h"

#include <cstddef>

// The widths and channel counts a guess at a better format tries.
constexpr unsigned mostGuessedChannels = 8;

// Whether bytes[from, count) read as the stated format better than as any
// format they could be told from: the same frames split into narrower
// samples that are all sound (a recording of narrower samples read too
// wide), floats where 32-bit integers are stated, or markedly smoother as a
// multiple of the channels. What cannot be told is left to the statement:
// the rate, and whether there are a multiple of the true channels.
struct FormatVerdict {
    bool statedFits = false;
    // When it does not: the format that fits best, if any does.
    bool betterFound = false;
    SampleFormat better;
};

FormatVerdict judgeFormat(const unsigned char* bytes, std::size_t count, std::size_t from, const SampleFormat& stated);

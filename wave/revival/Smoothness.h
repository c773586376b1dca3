#pragma once

#include "SampleFormat.h"

#include <cstddef>
#include <vector>

// How much the bytes from one offset look like frames of a format: for each
// channel, the mean absolute step between consecutive samples over the mean
// absolute deviation from the channel's mean. Sound, which changes little from
// sample to sample, scores well below 1; the same bytes read from a wrong
// offset, or at a wrong width, score near 1.4 as noise does.
struct Smoothness {
    // The mean over the channels that are not constant, and the worst of them.
    double mean = 0;
    double worst = 0;
    // Every channel constant, or nearly (digital silence, or its dither):
    // the bytes prove nothing.
    bool silent = true;
    // A float reading met a value no recording holds (not finite, or far past
    // full scale), or an integer reading wraps around: a channel leaps across
    // most of its range from one sample to the next, as lower bytes read as
    // the top of a sample do where the sound crosses zero, and sound does
    // not. Not this format.
    bool implausible = false;
    // The score of each channel, in the order of the frame; 0 when constant
    // or nearly.
    std::vector<double> channels;
};

// Scores the whole frames of format in bytes[0, count).
Smoothness smoothness(const unsigned char* bytes, std::size_t count, const SampleFormat& format);

#pragma once

#include "SampleFormat.h"

#include <cstddef>

// Which position of a frame holds the first channel, read from frames on some
// frame grid: bytes[0, count) from a frame boundary of that grid, which need
// not be the recording's own. Channels that carry one scene (one source at
// several gains, microphones close together, a stereo mix) line up at the
// recording's own frames: the samples a frame holds were taken at one moment,
// so between any two channels the cross-correlation peaks there, and one
// frame apart across a wrong grid's boundary. Every pair of channels that
// correlates markedly, with its peak clearly within half a sample of a whole
// frame, tells on which side of the boundary each of its two positions lies;
// the first channel is proven when those tell of exactly one boundary. -1
// when they do not: channels that share nothing, microphones far apart,
// silence, or pairs that disagree.
int firstChannelPosition(const unsigned char* bytes, std::size_t count, const SampleFormat& format);

#pragma once

#include "SampleFormat.h"

#include <cstdint>
#include <vector>

// Frames of synthesised sound, encoded as a recorder stores them.
enum class Signal {
    // A voice-like mix of partials swelling and fading, the same in every
    // channel at its own gain: channels that carry one sound.
    Shared,
    // A different partial in each channel: channels that share nothing.
    Unrelated,
    // Uniform noise, which no reading makes smooth.
    Noise
};

std::vector<unsigned char> synthRecording(const SampleFormat& format, std::uint32_t frames, Signal signal);

// Bytes that belong to no recording, the same for the same seed.
std::vector<unsigned char> foreignBytes(std::size_t count, std::uint32_t seed);

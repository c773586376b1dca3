#pragma once

#include "SampleFormat.h"

#include <cstddef>

// The bytes are cut into blocks of blockFrames frames, each scored at every
// offset within a sample (see Smoothness).
constexpr std::size_t blockFrames = 256;

// How one block reads at the sample offset under test.
enum class BlockReading {
    // Every channel constant.
    Silent,
    // Markedly smoother there than at any other offset within a sample, and
    // smooth as sound is.
    LinesUp,
    // No smoother there than elsewhere, or not a plausible float: not audio of
    // this format.
    Foreign,
    // Neither: quiet or noisy sound, which proves nothing either way.
    Unclear
};

// Reads the block of format at bytes[0, blockFrames * frameBytes), at offset
// phase within a sample (0 to width - 1) from bytes; the block must be whole
// at every offset.
BlockReading readBlock(const unsigned char* bytes, const SampleFormat& format, unsigned phase);

// Whether bytes[from, count) hold frames of format: the blocks that line up
// at one offset within a sample, which one, and how smoothly.
struct FrameFit {
    bool fits = false;
    // The offset, modulo the sample width, at which samples begin.
    unsigned phase = 0;
    // Blocks that line up at phase, and blocks that are silent at no offset.
    std::size_t linedUp = 0;
    std::size_t sounding = 0;
    // The mean score of the blocks that line up.
    double score = 0;
    // Some channel is constant in most blocks that line up (a padded width,
    // an unused channel).
    bool constantChannel = false;
};

FrameFit frameFit(const unsigned char* bytes, std::size_t count, std::size_t from, const SampleFormat& format);

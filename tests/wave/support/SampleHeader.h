#pragma once

#include "WaveHeader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A canonical header for 16-bit stereo PCM at 44100 Hz with the given sizes.
WaveHeader sampleHeader(std::uint32_t riffSize, std::uint32_t dataSize);

// The header with value stored little-endian in width bytes at offset.
WaveHeader patched(WaveHeader header, std::size_t offset, std::size_t width, std::uint32_t value);

std::vector<unsigned char> bytesOf(const WaveHeader& header);

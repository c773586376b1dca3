#pragma once

#include "FrameFormat.h"
#include "LayoutFault.h"

#include <cstdint>

// The largest part of a fmt chunk body that readFrameFormat looks at.
constexpr std::uint32_t frameFormatBytes = 40;

// Decodes a fmt chunk body of size bytes, of which body holds the first
// min(size, frameFormatBytes), into format. None when every frame has the
// fixed size blockAlign: a known sample format of a width it allows, with
// channels, block align and byte rate consistent. Otherwise the first fault,
// with format filled as far as it was decoded.
LayoutFault readFrameFormat(const unsigned char* body, std::uint32_t size, FrameFormat& format);

#pragma once

#include "SampleFormat.h"

#include <cstddef>
#include <cstdint>

// Why the start of headerless audio could not be told.
enum class StartFault {
    None,
    // Nothing but zeros, or no channel that changes: silence proves nothing.
    Silence,
    // The bytes do not line up as frames of the format.
    NoFit,
    // Which channel comes first in a frame: every rotation of the channels
    // reads as smoothly, and no offset settles it.
    ChannelOrder
};

struct AudioStart {
    StartFault fault = StartFault::None;
    // The offset of the first whole frame of the audio.
    std::uint64_t offset = 0;
    // The offset came from the donor: the recorder's own header length.
    bool atDonorOffset = false;
};

// Finds where the frames of format begin in a file whose first count bytes
// are bytes (as much of it as the search needs, never the whole of a long
// file): the first frame after zeros and bytes that are not audio from which
// the frames line up. A donorOffset (0 for none) where the frames line up,
// with nothing but zeros and sound from there on, is taken as it is, so the
// silence at the start of a take is kept and the channel order settled.
AudioStart findAudioStart(const unsigned char* bytes, std::size_t count, const SampleFormat& format,
    std::uint64_t donorOffset);

// The most bytes findAudioStart looks at.
constexpr std::size_t audioSearchBytes = 1 << 20;

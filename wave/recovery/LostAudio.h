#pragma once

#include "RevivalFormat.h"

#include <cstddef>
#include <cstdint>

// Whether the count bytes at bytes, the first of a run of clusters with no
// header before them, begin sound of format, as the revival of a lost header
// finds it (AudioStart, FormatFit): a first block that lines up as its frames
// at some offset within a sample, then the first frame of the sound within the
// first firstBytes (where the new file's audio begins), the frames reading as
// format rather than any other. Zeros or header remains up to the donor's
// audio offset put the audio there, the channel order as the donor's.
// atTakeStart: the bytes are a take's first, which an entry names or zeros
// begin; they need not line up as frames from their first block on, and
// zeros up to the donor's audio offset put its frames there.
bool findLostAudio(const unsigned char* bytes, std::size_t count, std::size_t firstBytes, const RevivalFormat& format,
    bool atTakeStart, std::uint64_t& audioAt);

// The length of the header a run revived in format gets, whatever its length:
// room for RF64's, taken up by JUNK where RIFF's is enough.
std::uint64_t lostHeaderRoom(const RevivalFormat& format);

#pragma once

#include "RevivalFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What survives at its place of a header that is lost: the data chunk's
// header, which tells exactly where the audio begins, and before it the whole
// chunks that still lead up to it (a fmt chunk, bext, LIST, JUNK, ds64),
// after bytes that were wiped or overwritten from offset 12 on.
struct SurvivingHeader {
    bool found = false;
    // The data chunk's header; the audio begins 8 bytes on.
    std::uint64_t dataAt = 0;
    // Where the whole chunks that end at the data chunk begin (dataAt when
    // none do); the bytes from 12 to here are lost.
    std::uint64_t chainAt = 0;
    // Among those chunks: a fmt chunk (0 for none) with its body's size and
    // whether it describes frames at all, a fact chunk, and a ds64 chunk at 12.
    std::uint64_t formatAt = 0;
    std::uint32_t formatSize = 0;
    bool formatValid = false;
    std::uint64_t factAt = 0;
    bool ds64 = false;

    std::uint64_t audioAt() const { return dataAt + 8; }
};

// Looks through the first count bytes of a file for a data chunk that
// survives: the first at an even offset from 12 on that whole chunks lead up
// to, or before which lie only zeros from 12 on. Its size is not asked: a
// recording cut off holds anything there.
SurvivingHeader findSurvivingHeader(const unsigned char* bytes, std::size_t count);

// The bytes from 0 to the audio of a file of fileSize bytes whose header
// survives as found in bytes, completed in place for format (which takes
// the survivors' own fmt chunk where it is sound): the form (RF64 with ds64
// past 4 GiB + 7 bytes, or where ds64 survives), whatever must fill the lost
// bytes from 12 (ds64, a fmt chunk and fact for float where none survives,
// then JUNK whose body keeps the bytes that lie there), a fmt body written
// over a surviving fmt chunk that describes no frames, and the sizes, with
// the audio running to the end. False when whole chunks cannot fill the lost
// bytes.
bool completeSurvivingHeader(const unsigned char* bytes, const SurvivingHeader& survivors, const RevivalFormat& format,
    std::uint64_t fileSize, std::vector<unsigned char>& header);

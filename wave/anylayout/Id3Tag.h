#pragma once

#include <cstdint>

// ID3 tags that taggers append to a file after its chunks: ID3v2 ("ID3",
// major version 2 to 4, revision, flags, a syncsafe size, and in version 4 an
// optional footer) and ID3v1 ("TAG", the file's last 128 bytes). They are
// metadata, never audio.

// The bytes a tag check reads at one place.
constexpr std::uint32_t id3ProbeBytes = 10;

// The length of the tag that begins with the got bytes at (at most
// id3ProbeBytes, fewer only at the end of the file) at offset at of a file of
// fileSize bytes, if it ends inside the file; 0 when no tag begins there.
std::uint64_t id3TagAt(const unsigned char* bytes, std::uint32_t got, std::uint64_t at, std::uint64_t fileSize);

// The length of the ID3v2 tag whose 10-byte footer ("3DI") this is; 0 when it
// is none.
std::uint64_t id3TagEndingWith(const unsigned char* footer);

#pragma once

#include "ChainWalk.h"
#include "SourceReader.h"

#include <cstdint>
#include <memory>
#include <vector>

class ClusterBitmap;
class ClusterMap;

// The 32-byte entries of one directory, in order: from the fixed root
// region of FAT12 and FAT16, or from clusters by their chain or in a row.
// Nothing is read past the source's end, and entries that could not be read
// are passed over.
class DirectoryStream {
public:
    // The region of bytes at offset.
    DirectoryStream(ClusterMap& map, std::uint64_t offset, std::uint32_t bytes);
    // At most maxBytes from the clusters beginning at first. Where read is
    // given, the directory ends at a cluster it holds (read for another
    // directory), and its own clusters are marked in it as they are read.
    DirectoryStream(ClusterMap& map, std::uint32_t first, bool contiguous, std::uint64_t maxBytes,
        ClusterBitmap* read = nullptr);
    ~DirectoryStream();

    // The next entry and its offset in the source; false at the directory's
    // end or the source's.
    bool next(const unsigned char*& entry, std::uint64_t& offset);

private:
    bool refill();

    ClusterMap& map;
    std::unique_ptr<ChainWalk> walk;
    ClusterBitmap* read = nullptr;
    std::uint64_t left;
    std::uint64_t rangeAt = 0;
    std::uint64_t rangeLeft = 0;
    std::vector<unsigned char> buffer;
    ReadGaps gaps;
    std::uint64_t bufferAt = 0;
    std::size_t filled = 0;
    std::size_t used = 0;
};

#include "DirectoryStream.h"

#include "ClusterBitmap.h"
#include "ClusterMap.h"
#include "SourceReader.h"

#include <algorithm>

namespace {

constexpr std::uint64_t readBytes = 64 * 1024;

}

DirectoryStream::DirectoryStream(ClusterMap& map, std::uint64_t offset, std::uint32_t bytes)
    : map(map), left(bytes), rangeAt(offset), rangeLeft(bytes) {}

DirectoryStream::DirectoryStream(ClusterMap& map, std::uint32_t first, bool contiguous, std::uint64_t maxBytes,
    ClusterBitmap* read)
    : map(map), read(read), left(maxBytes) {
    const std::uint32_t cluster = map.geometry().clusterBytes;
    walk = std::make_unique<ChainWalk>(map, first, (maxBytes + cluster - 1) / cluster, contiguous,
        std::initializer_list<const ClusterBitmap*>{read});
}

DirectoryStream::~DirectoryStream() = default;

bool DirectoryStream::refill() {
    const VolumeGeometry& volume = map.geometry();
    ClusterRun run;
    while (rangeLeft == 0) {
        if (!walk || left == 0 || !walk->next(run))
            return false;
        rangeAt = clusterOffset(volume, run.first);
        rangeLeft = std::uint64_t(run.count) * volume.clusterBytes;
        if (read != nullptr)
            read->mark(run.first, run.count);
    }
    SourceReader& reader = map.source();
    std::uint64_t count = std::min({readBytes, rangeLeft, left});
    if (rangeAt >= reader.size())
        return false;
    count = std::min(count, reader.size() - rangeAt) / 32 * 32;
    if (count == 0)
        return false;
    buffer.resize(count);
    gaps = reader.read(rangeAt, buffer.data(), static_cast<std::uint32_t>(count));
    bufferAt = rangeAt;
    filled = count;
    used = 0;
    rangeAt += count;
    rangeLeft -= count;
    left -= count;
    return true;
}

bool DirectoryStream::next(const unsigned char*& entry, std::uint64_t& offset) {
    for (;;) {
        if (used == filled && !refill())
            return false;
        // Entries that could not be read are passed over: their zeros would
        // read as the directory's end.
        if (gaps.none() || !gaps.meets(bufferAt + used, 32))
            break;
        used += 32;
    }
    entry = buffer.data() + used;
    offset = bufferAt + used;
    used += 32;
    return true;
}

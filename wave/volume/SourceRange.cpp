#include "SourceRange.h"

#include <algorithm>

bool addRange(std::vector<SourceRange>& ranges, const SourceRange& range, std::size_t limit) {
    if (range.length == 0)
        return true;
    if (!ranges.empty() && ranges.back().end() == range.offset)
        ranges.back().length += range.length;
    else if (ranges.size() < limit)
        ranges.push_back(range);
    else
        return false;
    return true;
}

std::vector<SourceRange> rangesWithin(std::vector<SourceRange> ranges, const std::vector<SourceRange>& within) {
    std::sort(ranges.begin(), ranges.end(),
        [](const SourceRange& a, const SourceRange& b) { return a.offset < b.offset; });
    std::vector<SourceRange> inside;
    for (const SourceRange& part : within) {
        // The first range that ends past the part's start, then those that
        // begin before its end.
        auto range = std::upper_bound(ranges.begin(), ranges.end(), part.offset,
            [](std::uint64_t offset, const SourceRange& r) { return offset < r.end(); });
        for (; range != ranges.end() && range->offset < part.end(); ++range) {
            const std::uint64_t from = std::max(range->offset, part.offset);
            addRange(inside, {from, std::min(range->end(), part.end()) - from});
        }
    }
    return inside;
}

std::uint64_t rangeBytes(const std::vector<SourceRange>& ranges) {
    std::uint64_t bytes = 0;
    for (const SourceRange& range : ranges)
        bytes += range.length;
    return bytes;
}

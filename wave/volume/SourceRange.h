#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A range of bytes of the source.
struct SourceRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;

    std::uint64_t end() const { return offset + length; }
    bool operator==(const SourceRange& other) const { return offset == other.offset && length == other.length; }
};

// Appends range to ranges, joined to the last one where it continues it;
// false, and ranges left as they were, where that would make them more than
// limit.
bool addRange(std::vector<SourceRange>& ranges, const SourceRange& range, std::size_t limit = SIZE_MAX);

// The parts of ranges (in any order, not overlapping) that lie inside within,
// in the order of within and, inside each of its ranges, of the source; those
// that continue each other joined.
std::vector<SourceRange> rangesWithin(std::vector<SourceRange> ranges, const std::vector<SourceRange>& within);

// The bytes ranges hold.
std::uint64_t rangeBytes(const std::vector<SourceRange>& ranges);

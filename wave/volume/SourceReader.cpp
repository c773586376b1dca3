#include "SourceReader.h"

#include <algorithm>
#include <cstring>

namespace {

void join(std::vector<ReadFailure>& ranges, const ReadFailure& failure) {
    if (!ranges.empty() && ranges.back().offset + ranges.back().length == failure.offset
        && ranges.back().error == failure.error)
        ranges.back().length += failure.length;
    else
        ranges.push_back(failure);
}

}

std::uint64_t ReadGaps::bytes() const {
    std::uint64_t total = 0;
    for (const ReadFailure& range : ranges)
        total += range.length;
    return total;
}

bool ReadGaps::meets(std::uint64_t offset, std::uint64_t length) const {
    return std::any_of(ranges.begin(), ranges.end(), [&](const ReadFailure& range) {
        return range.offset < offset + length && offset < range.offset + range.length;
    });
}

std::uint64_t ReadGaps::addWithin(std::uint64_t offset, std::uint64_t length, std::vector<SourceRange>& into,
    std::size_t limit) const {
    std::uint64_t leftOut = 0;
    for (const ReadFailure& range : ranges) {
        const std::uint64_t from = std::max(offset, range.offset);
        const std::uint64_t to = std::min(offset + length, range.offset + range.length);
        if (from < to && !addRange(into, {from, to - from}, limit))
            leftOut += to - from;
    }
    return leftOut;
}

ReadGaps SourceReader::read(std::uint64_t offset, unsigned char* buffer, std::uint32_t count) {
    const std::lock_guard<std::mutex> one(reading);
    requested += count;
    ReadGaps gaps;
    std::uint32_t done = 0;
    const bool clean = source.readAt(offset, buffer, count, done);
    if (done > count)
        done = 0;
    if (done == count)
        return gaps;
    // Short without an error, the read met the end of the source, which no
    // reading again can move.
    if (clean)
        lose(offset + done, buffer + done, count - done, 0, gaps);
    else
        scrape(offset + done, buffer + done, count - done, gaps);
    return gaps;
}

void SourceReader::scrape(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, ReadGaps& gaps) {
    ByteSource& again = source.unbuffered() != nullptr ? *source.unbuffered() : source;
    const std::uint32_t sector = again.blockSize() == 0 ? 512 : again.blockSize();
    const std::uint32_t pieceBytes = std::max(scrapeBytes, sector);
    for (std::uint32_t at = 0; at < count;) {
        const std::uint64_t from = offset + at;
        const std::uint32_t piece =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(count - at, pieceBytes - from % pieceBytes));
        std::uint32_t done = 0;
        const bool clean = again.readAt(from, buffer + at, piece, done);
        if (done > piece)
            done = 0;
        if (clean && done < piece) {
            lose(from + done, buffer + at + done, count - at - done, 0, gaps);
            return;
        }
        // A piece that fails once more, sector by sector from where it failed.
        for (std::uint32_t inner = done; inner < piece;) {
            const std::uint64_t position = from + inner;
            const std::uint32_t one =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(piece - inner, sector - position % sector));
            std::uint32_t got = 0;
            const bool read = again.readAt(position, buffer + at + inner, one, got);
            if (got > one)
                got = 0;
            if (read && got < one) {
                lose(position + got, buffer + at + inner + got, count - at - inner - got, 0, gaps);
                return;
            }
            if (!read)
                lose(position + got, buffer + at + inner + got, one - got, again.lastError(), gaps);
            inner += one;
        }
        at += piece;
    }
}

void SourceReader::lose(std::uint64_t offset, unsigned char* buffer, std::uint64_t length, int error, ReadGaps& gaps) {
    std::memset(buffer, 0, static_cast<std::size_t>(length));
    join(gaps.ranges, {offset, length, error});
    note({offset, length, error});
}

void SourceReader::note(const ReadFailure& failure) {
    const std::uint64_t end = failure.offset + failure.length;
    // The first range that overlaps or meets it, then those after it that do.
    auto first = std::lower_bound(failed.begin(), failed.end(), failure.offset,
        [](const ReadFailure& range, std::uint64_t offset) { return range.offset + range.length < offset; });
    if (first != failed.end() && first->offset + first->length == failure.offset && first->error != failure.error)
        ++first;
    ReadFailure joined = failure;
    auto last = first;
    for (; last != failed.end() && (last->offset < end || (last->offset == end && last->error == failure.error));
         ++last) {
        joined.offset = std::min(joined.offset, last->offset);
        joined.length = std::max(end, last->offset + last->length) - joined.offset;
        joined.error = first->error;
    }
    if (first == last) {
        if (failed.size() < maxFailures)
            failed.insert(first, joined);
        return;
    }
    *first = joined;
    failed.erase(first + 1, last);
}

#pragma once

#include "ByteSource.h"
#include "SourceRange.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// A range of the source that could not be read, and the system's code for why
// (0: the source ended early).
struct ReadFailure {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    int error = 0;

    SourceRange range() const { return {offset, length}; }
};

// What one read could not give: its ranges, in order, that read as zeros. A
// caller either takes them into what it reports or says why it need not.
struct [[nodiscard]] ReadGaps {
    std::vector<ReadFailure> ranges;

    bool none() const { return ranges.empty(); }
    std::uint64_t bytes() const;
    // Whether any of them meets the length bytes at offset.
    bool meets(std::uint64_t offset, std::uint64_t length) const;
    // Their parts inside the length bytes at offset, added to into while it
    // holds no more than limit ranges; the bytes of those left out.
    std::uint64_t addWithin(std::uint64_t offset, std::uint64_t length, std::vector<SourceRange>& into,
        std::size_t limit = SIZE_MAX) const;
};

// Reads from a source that may fail part-way, as a failing card does. A read
// goes first in one piece; where it fails, the rest of it is read again past
// the system's cache (ByteSource::unbuffered), in pieces, and a piece that
// fails once more sector by sector, so that only the sectors that fail are
// lost: they read as zeros, are returned as ranges, and the scan goes on. It
// passes every request on as asked: the readers above check each range against
// size() first. Reads may come from more than one thread; failures() is for
// when they have ended.
class SourceReader {
public:
    explicit SourceReader(ByteSource& source) : source(source), total(source.size()) {}

    std::uint64_t size() const { return total; }
    // Fills count bytes at offset; what could not be read is zeros, and the
    // result says where.
    ReadGaps read(std::uint64_t offset, unsigned char* buffer, std::uint32_t count);

    // The unreadable ranges met so far, each byte once however often it was
    // read, in the source's order, those that overlap or meet (for the same
    // reason) joined; no more than maxFailures of them.
    const std::vector<ReadFailure>& failures() const { return failed; }
    std::uint64_t bytesRead() const { return requested.load(); }

    static constexpr std::size_t maxFailures = 4096;
    // The pieces a failed read is read again in.
    static constexpr std::uint32_t scrapeBytes = 64 * 1024;

private:
    // Reads again the count bytes at offset, which a read failed to give.
    void scrape(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, ReadGaps& gaps);
    void lose(std::uint64_t offset, unsigned char* buffer, std::uint64_t length, int error, ReadGaps& gaps);
    void note(const ReadFailure& failure);

    ByteSource& source;
    std::uint64_t total;
    std::mutex reading;
    std::atomic<std::uint64_t> requested{0};
    std::vector<ReadFailure> failed;
};

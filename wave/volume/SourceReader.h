#pragma once

#include "ByteSource.h"

#include <cstdint>
#include <vector>

// A range of the source that could not be read, and the system's code for why
// (0: the source ended early).
struct ReadFailure {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    int error = 0;
};

// Reads from a source that may fail part-way, as a failing card does: a read
// that fails is split in halves down to the source's blocks, the blocks that
// still fail read as zeros and are kept as ranges, and the scan goes on. It
// passes every request on as asked: the readers above check each range against
// size() first.
class SourceReader {
public:
    explicit SourceReader(ByteSource& source) : source(source), total(source.size()) {}

    std::uint64_t size() const { return total; }
    // Fills count bytes at offset; false when some of them could not be read
    // (they are zeros then, and failures() says where).
    bool read(std::uint64_t offset, unsigned char* buffer, std::uint32_t count);

    // The unreadable ranges met so far, in order, adjacent ones merged; the
    // first maxFailures of them, while unreadableBytes counts them all.
    const std::vector<ReadFailure>& failures() const { return failed; }
    std::uint64_t unreadableBytes() const { return unreadable; }
    std::uint64_t bytesRead() const { return requested; }

    static constexpr std::size_t maxFailures = 4096;

private:
    bool readSplitting(std::uint64_t offset, unsigned char* buffer, std::uint32_t count);
    void fail(std::uint64_t offset, std::uint64_t length, int error);

    ByteSource& source;
    std::uint64_t total;
    std::uint64_t requested = 0;
    std::uint64_t unreadable = 0;
    std::vector<ReadFailure> failed;
};

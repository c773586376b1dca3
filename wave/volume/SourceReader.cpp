#include "SourceReader.h"

#include <cstring>

bool SourceReader::read(std::uint64_t offset, unsigned char* buffer, std::uint32_t count) {
    requested += count;
    return readSplitting(offset, buffer, count);
}

bool SourceReader::readSplitting(std::uint64_t offset, unsigned char* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    // Short without an error, the read met the end of the source, which
    // splitting cannot move.
    const bool ended = source.readAt(offset, buffer, count, done);
    if (ended && done == count)
        return true;
    if (done > count)
        done = 0;
    const std::uint32_t block = source.blockSize() == 0 ? 512 : source.blockSize();
    const std::uint32_t left = count - done;
    if (ended || left <= block) {
        std::memset(buffer + done, 0, left);
        fail(offset + done, left, ended ? 0 : source.lastError());
        return false;
    }
    // Split at a block boundary inside the range: one exists, since it spans
    // more than a block.
    const std::uint64_t from = offset + done;
    const std::uint64_t middle = from + left / 2;
    std::uint64_t split = middle - middle % block;
    if (split <= from)
        split = from - from % block + block;
    const std::uint32_t half = static_cast<std::uint32_t>(split - from);
    const bool first = readSplitting(from, buffer + done, half);
    const bool second = readSplitting(from + half, buffer + done + half, left - half);
    return first && second;
}

void SourceReader::fail(std::uint64_t offset, std::uint64_t length, int error) {
    unreadable += length;
    if (!failed.empty() && failed.back().offset + failed.back().length == offset && failed.back().error == error) {
        failed.back().length += length;
        return;
    }
    if (failed.size() < maxFailures)
        failed.push_back({offset, length, error});
}

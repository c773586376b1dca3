#include "FakeFileAccess.h"

#include <algorithm>

bool FakeFileAccess::fails(Step step) {
    calls.push_back(step);
    return failAt == step;
}

unsigned char FakeFileAccess::byteAt(std::uint64_t offset) const {
    if (offset < head.size())
        return head[offset];
    const auto found = scattered.find(offset);
    return found == scattered.end() ? 0 : found->second;
}

void FakeFileAccess::place(std::uint64_t offset, const std::vector<unsigned char>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (offset + i < head.size())
            head[offset + i] = bytes[i];
        else
            scattered[offset + i] = bytes[i];
    }
    size = std::max<std::uint64_t>(size, offset + bytes.size());
}

std::map<std::uint64_t, unsigned char> FakeFileAccess::nonZero() const {
    std::map<std::uint64_t, unsigned char> bytes;
    for (std::uint64_t i = 0; i < head.size() && i < size; ++i) {
        if (head[i] != 0)
            bytes[i] = head[i];
    }
    for (const auto& byte : scattered) {
        if (byte.second != 0 && byte.first < size)
            bytes.insert(byte);
    }
    return bytes;
}

bool FakeFileAccess::open(const char* path) {
    openedPath = path;
    if (fails(Step::Open))
        return false;
    opened = true;
    position = 0;
    return true;
}

bool FakeFileAccess::getLastWriteTime(FileTime& time) {
    if (fails(Step::GetTime))
        return false;
    time = lastWrite;
    return true;
}

bool FakeFileAccess::getSize(std::uint64_t& result) {
    if (fails(Step::GetSize))
        return false;
    result = size;
    return true;
}

bool FakeFileAccess::readFrom(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    if (fails(Step::Read))
        return false;
    done = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, offset < size ? size - offset : 0));
    if (shortAt == Step::Read)
        done = std::min(done, shortCount);
    for (std::uint32_t i = 0; i < done; ++i)
        buffer[i] = byteAt(offset + i);
    return true;
}

bool FakeFileAccess::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    const bool ok = readFrom(position, buffer, count, done);
    position += done;
    return ok;
}

bool FakeFileAccess::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return readFrom(offset, buffer, count, done);
}

bool FakeFileAccess::seek(std::uint32_t offset) {
    seeks.push_back(offset);
    if (fails(Step::Seek))
        return false;
    position = offset;
    return true;
}

std::vector<unsigned char> FakeFileAccess::writeTo(std::uint64_t offset, const unsigned char* buffer,
    std::uint32_t count, std::uint32_t& done, bool& ok) {
    ok = !fails(Step::Write);
    const std::uint32_t put = std::min(count, !ok ? writtenBeforeFailure : shortAt == Step::Write ? shortCount : count);
    std::vector<unsigned char> bytes(buffer, buffer + put);
    place(offset, bytes);
    if (put > 0)
        lastWrite = timeOfWrite;
    done = ok ? put : 0;
    return bytes;
}

bool FakeFileAccess::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    bool ok;
    position += writeTo(position, buffer, count, done, ok).size();
    return ok;
}

bool FakeFileAccess::writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count,
    std::uint32_t& done) {
    bool ok;
    journal.push_back({false, offset, writeTo(offset, buffer, count, done, ok)});
    return ok;
}

bool FakeFileAccess::flush() {
    if (fails(Step::Flush))
        return false;
    journal.push_back({true, 0, {}});
    return true;
}

bool FakeFileAccess::setLastWriteTime(const FileTime& time) {
    if (fails(Step::SetTime))
        return false;
    lastWrite = time;
    return true;
}

bool FakeFileAccess::close() {
    opened = false;
    return !fails(Step::Close);
}

const char* stepName(FakeFileAccess::Step step) {
    static const char* const names[] = {"none", "open", "getTime", "getSize", "read", "seek", "write", "setTime",
        "close", "flush"};
    return names[static_cast<int>(step)];
}

#include "FakeFileAccess.h"

#include <algorithm>
#include <utility>

FakeFileAccess::FakeFileAccess(std::vector<unsigned char> head, std::uint64_t size)
    : head(std::move(head)), size(size)
{
}

bool FakeFileAccess::fails(Step step)
{
    calls.push_back(step);
    return failAt == step;
}

std::uint32_t FakeFileAccess::allowed(Step step, std::uint32_t count) const
{
    return shortAt == step ? std::min(count, shortCount) : count;
}

bool FakeFileAccess::open(const char* path)
{
    openedPath = path;
    if (fails(Step::Open))
        return false;
    opened = true;
    position = 0;
    return true;
}

bool FakeFileAccess::isOpen() const
{
    return opened;
}

bool FakeFileAccess::getLastWriteTime(FileTime& time)
{
    if (fails(Step::GetTime))
        return false;
    time = lastWrite;
    return true;
}

bool FakeFileAccess::getSize(std::uint64_t& result)
{
    if (fails(Step::GetSize))
        return false;
    result = size;
    return true;
}

bool FakeFileAccess::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done)
{
    done = 0;
    if (fails(Step::Read))
        return false;
    const std::uint64_t available = position < size ? size - position : 0;
    const std::uint32_t wanted = allowed(Step::Read, static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available)));
    transfers.push_back({Step::Read, position, wanted});
    for (std::uint32_t i = 0; i < wanted; ++i) {
        const std::uint64_t at = position + i;
        buffer[i] = at < head.size() ? head[at] : 0;
    }
    position += wanted;
    done = wanted;
    return true;
}

bool FakeFileAccess::seek(std::uint32_t offset)
{
    seeks.push_back(offset);
    if (fails(Step::Seek))
        return false;
    position = offset;
    return true;
}

bool FakeFileAccess::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done)
{
    done = 0;
    const bool failed = fails(Step::Write);
    const std::uint32_t put = failed ? std::min(count, writtenBeforeFailure) : allowed(Step::Write, count);
    transfers.push_back({Step::Write, position, put});
    for (std::uint32_t i = 0; i < put; ++i) {
        const std::uint64_t at = position + i;
        if (at >= head.size())
            head.resize(at + 1);
        head[at] = buffer[i];
    }
    position += put;
    size = std::max(size, position);
    if (put > 0)
        lastWrite = timeOfWrite;
    if (failed)
        return false;
    done = put;
    return true;
}

bool FakeFileAccess::setLastWriteTime(const FileTime& time)
{
    if (fails(Step::SetTime))
        return false;
    lastWrite = time;
    return true;
}

void FakeFileAccess::close()
{
    calls.push_back(Step::Close);
    opened = false;
}

const char* stepName(FakeFileAccess::Step step)
{
    switch (step) {
    case FakeFileAccess::Step::None: return "none";
    case FakeFileAccess::Step::Open: return "open";
    case FakeFileAccess::Step::GetTime: return "getTime";
    case FakeFileAccess::Step::GetSize: return "getSize";
    case FakeFileAccess::Step::Read: return "read";
    case FakeFileAccess::Step::Seek: return "seek";
    case FakeFileAccess::Step::Write: return "write";
    case FakeFileAccess::Step::SetTime: return "setTime";
    case FakeFileAccess::Step::Close: return "close";
    }
    return "?";
}

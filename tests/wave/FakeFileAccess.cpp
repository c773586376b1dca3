#include "FakeFileAccess.h"

#include <algorithm>

bool FakeFileAccess::fails(Step step)
{
    calls.push_back(step);
    return failAt == step;
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
    done = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, position < size ? size - position : 0));
    if (shortAt == Step::Read)
        done = std::min(done, shortCount);
    for (std::uint32_t i = 0; i < done; ++i)
        buffer[i] = position + i < head.size() ? head[position + i] : 0;
    position += done;
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
    const bool failed = fails(Step::Write);
    const std::uint32_t put = std::min(count, failed ? writtenBeforeFailure : shortAt == Step::Write ? shortCount : count);
    head.resize(std::max<std::uint64_t>(head.size(), position + put));
    std::copy(buffer, buffer + put, head.begin() + static_cast<std::ptrdiff_t>(position));
    position += put;
    size = std::max(size, position);
    if (put > 0)
        lastWrite = timeOfWrite;
    done = failed ? 0 : put;
    return !failed;
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
    static const char* const names[] = {"none", "open", "getTime", "getSize", "read", "seek", "write", "setTime", "close"};
    return names[static_cast<int>(step)];
}

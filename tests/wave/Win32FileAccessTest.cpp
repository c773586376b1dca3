#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "Win32FileAccess.h"

#include <gtest/gtest.h>

namespace {

DWORD otherOpenError(const std::string& path, DWORD access)
{
    const HANDLE other = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(other);
    return NO_ERROR;
}

TEST(Win32FileAccess, SharesTheOpenFileWithNoOne)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ready());
    const std::string path = dir.file("open.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    Win32FileAccess file;
    ASSERT_TRUE(file.open(path.c_str()));
    EXPECT_EQ(otherOpenError(path, GENERIC_READ), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(otherOpenError(path, GENERIC_WRITE), DWORD(ERROR_SHARING_VIOLATION));
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(otherOpenError(path, GENERIC_READ | GENERIC_WRITE), DWORD(NO_ERROR));
}

TEST(Win32FileAccess, RestoresTheLastWriteTimeToTheTick)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ready());
    const std::string path = dir.file("time.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    Win32FileAccess file;
    ASSERT_TRUE(file.open(path.c_str()));
    FileTime time;
    time.seconds = 12345678901;
    time.nanoseconds = 987654300;
    ASSERT_TRUE(file.setLastWriteTime(time));
    FileTime read;
    ASSERT_TRUE(file.getLastWriteTime(read));
    EXPECT_EQ(read.seconds, time.seconds);
    EXPECT_EQ(read.nanoseconds, time.nanoseconds);
}

TEST(Win32FileAccess, SizeWithAllOnesLowHalfIsReadDespiteAStaleError)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ready());
    const std::string path = dir.file("ones.wav");
    ASSERT_TRUE(writeSparseFile(path, bytesOf(sampleHeader(36, 0)), 0xFFFFFFFFull, {1, 2, 3}));
    Win32FileAccess file;
    ASSERT_TRUE(file.open(path.c_str()));
    SetLastError(ERROR_ACCESS_DENIED);
    std::uint64_t size = 0;
    EXPECT_TRUE(file.getSize(size));
    EXPECT_EQ(size, 0xFFFFFFFFull);
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(file.seek(0xFFFFFFFFu));
}

}

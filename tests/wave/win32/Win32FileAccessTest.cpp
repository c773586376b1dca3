#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "Win32ByteSource.h"
#include "Win32FileAccess.h"

#include <gtest/gtest.h>

namespace {

DWORD otherOpenError(const std::string& path, DWORD access) {
    const HANDLE other = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(other);
    return NO_ERROR;
}

class Win32FileAccessTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ready()); }

    ScratchDir dir;
    const std::string path = dir.file("subject.wav");
    Win32FileAccess file;
};

TEST_F(Win32FileAccessTest, SharesTheOpenFileWithNoOne) {
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    ASSERT_TRUE(file.open(path.c_str()));
    EXPECT_EQ(otherOpenError(path, GENERIC_READ), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(otherOpenError(path, GENERIC_WRITE), DWORD(ERROR_SHARING_VIOLATION));
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(otherOpenError(path, GENERIC_READ | GENERIC_WRITE), DWORD(NO_ERROR));
}

// The source of a card image: shared with every other opener, a writer too,
// read at any offset; a folder is no image.
TEST_F(Win32FileAccessTest, ByteSourceReadsAnImageSharedWithWriters) {
    std::vector<unsigned char> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    ASSERT_TRUE(writeFile(path, bytes));
    Win32ByteSource source;
    ASSERT_TRUE(source.open(path.c_str()));
    EXPECT_FALSE(source.isDevice());
    EXPECT_EQ(source.size(), 5000u);
    EXPECT_EQ(otherOpenError(path, GENERIC_READ | GENERIC_WRITE), DWORD(NO_ERROR));
    unsigned char buffer[100];
    std::uint32_t done = 0;
    EXPECT_TRUE(source.readAt(4950, buffer, sizeof buffer, done));
    ASSERT_EQ(done, 50u);
    EXPECT_TRUE(std::equal(buffer, buffer + done, bytes.begin() + 4950));
    source.close();
    EXPECT_FALSE(source.open(dir.path().c_str()));
    EXPECT_TRUE(source.notImageOrDevice());
}

TEST_F(Win32FileAccessTest, RestoresTheLastWriteTimeToTheTick) {
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    ASSERT_TRUE(file.open(path.c_str()));
    const FileTime time = {12345678901, 987654300};
    ASSERT_TRUE(file.setLastWriteTime(time));
    FileTime read;
    ASSERT_TRUE(file.getLastWriteTime(read));
    EXPECT_EQ(read.seconds, time.seconds);
    EXPECT_EQ(read.nanoseconds, time.nanoseconds);
}

TEST_F(Win32FileAccessTest, SizeWithAllOnesLowHalfIsReadDespiteAStaleError) {
    ASSERT_TRUE(writeSparseFile(path, bytesOf(sampleHeader(36, 0)), 0xFFFFFFFFull, {1, 2, 3}));
    ASSERT_TRUE(file.open(path.c_str()));
    SetLastError(ERROR_ACCESS_DENIED);
    std::uint64_t size = 0;
    EXPECT_TRUE(file.getSize(size));
    EXPECT_EQ(size, 0xFFFFFFFFull);
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(file.seek(0xFFFFFFFFu));
}

}

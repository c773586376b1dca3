#include "PosixFileAccess.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What another process gets when it asks for a lock on path without waiting:
// bit 0 set when flock was refused, bit 1 when the fcntl lock was refused,
// -1 when the child could not report in time.
int othersLockAttempt(const std::string& path, bool exclusive)
{
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(path.c_str(), exclusive ? O_RDWR : O_RDONLY);
        if (fd < 0)
            _exit(100);
        int refused = 0;
        if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
            refused |= 1;
        struct flock range = {};
        range.l_type = exclusive ? F_WRLCK : F_RDLCK;
        range.l_whence = SEEK_SET;
        if (fcntl(fd, F_SETLK, &range) != 0)
            refused |= 2;
        _exit(refused);
    }
    if (child < 0)
        return -1;
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
        if (waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

class PosixFileAccessTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ready()); }

    ScratchDir dir;
};

TEST_F(PosixFileAccessTest, KeepsEveryOtherLockerOutWhileOpen)
{
    const std::string path = dir.file("open.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    {
        PosixFileAccess file;
        ASSERT_TRUE(file.open(path.c_str()));
        EXPECT_EQ(othersLockAttempt(path, false), 3);
        EXPECT_EQ(othersLockAttempt(path, true), 3);
        file.close();
        EXPECT_EQ(othersLockAttempt(path, true), 0);
    }
}

TEST_F(PosixFileAccessTest, InspectionSharesWithReadersOnly)
{
    const std::string path = dir.file("open.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    PosixFileAccess file(PosixFileAccess::Mode::Inspect);
    ASSERT_TRUE(file.open(path.c_str()));
    EXPECT_EQ(othersLockAttempt(path, false), 0);
    EXPECT_EQ(othersLockAttempt(path, true), 3);
}

TEST_F(PosixFileAccessTest, InspectionRefusesWhatARepairWould)
{
    const std::string path = dir.file("readonly.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    ASSERT_TRUE(setReadOnly(path, true));
    PosixFileAccess file(PosixFileAccess::Mode::Inspect);
    EXPECT_FALSE(file.open(path.c_str()));
    EXPECT_EQ(file.lastError(), EACCES);
    EXPECT_FALSE(file.isOpen());
}

TEST_F(PosixFileAccessTest, RefusesAFifoWithoutWaitingForAWriter)
{
    const std::string path = dir.file("pipe.wav");
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    for (PosixFileAccess::Mode mode : {PosixFileAccess::Mode::ReadWrite, PosixFileAccess::Mode::Inspect}) {
        PosixFileAccess file(mode);
        EXPECT_FALSE(file.open(path.c_str()));
        EXPECT_EQ(file.lastError(), EINVAL);
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_EQ(WaveRepairer().repair(path.c_str(), true), FileError);
}

TEST_F(PosixFileAccessTest, RefusesDevicesAndDirectories)
{
    PosixFileAccess file;
    EXPECT_FALSE(file.open("/dev/null"));
    EXPECT_EQ(file.lastError(), EINVAL);
    EXPECT_FALSE(file.open(dir.path().c_str()));
    EXPECT_EQ(file.lastError(), EISDIR);
}

TEST_F(PosixFileAccessTest, ReportsTheSystemsReasonForAMissingFile)
{
    PosixFileAccess file;
    EXPECT_FALSE(file.open(dir.file("absent.wav").c_str()));
    EXPECT_EQ(file.lastError(), ENOENT);
}

TEST_F(PosixFileAccessTest, ReadStopsAtTheEndOfTheFile)
{
    const std::string path = dir.file("short.wav");
    ASSERT_TRUE(writeFile(path, std::vector<unsigned char>(30, 7)));
    PosixFileAccess file;
    ASSERT_TRUE(file.open(path.c_str()));
    unsigned char buffer[44] = {};
    std::uint32_t done = 99;
    EXPECT_TRUE(file.read(buffer, 44, done));
    EXPECT_EQ(done, 30u);
    EXPECT_EQ(buffer[29], 7);
    EXPECT_EQ(buffer[30], 0);
}

TEST_F(PosixFileAccessTest, RestoresTheModificationTimeToTheNanosecond)
{
    const std::string path = dir.file("time.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    PosixFileAccess file;
    ASSERT_TRUE(file.open(path.c_str()));
    FileTime time;
    time.seconds = 1234567890;
    time.nanoseconds = 987654321;
    ASSERT_TRUE(file.setLastWriteTime(time));
    FileTime read;
    ASSERT_TRUE(file.getLastWriteTime(read));
    EXPECT_EQ(read.seconds, time.seconds);
    EXPECT_EQ(read.nanoseconds, time.nanoseconds);
}

}

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
    for (PosixFileAccess::Mode mode : {PosixFileAccess::Mode::ReadWrite, PosixFileAccess::Mode::Inspect}) {
        PosixFileAccess file(mode);
        EXPECT_FALSE(file.open(path.c_str()));
        EXPECT_EQ(file.lastError(), EACCES);
        EXPECT_EQ(file.refusal(), PosixFileAccess::Refusal::ReadOnly);
        EXPECT_FALSE(file.isOpen());
    }
}

TEST_F(PosixFileAccessTest, RefusesAFifoWithoutWaitingForAWriter)
{
    const std::string path = dir.file("pipe.wav");
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    for (PosixFileAccess::Mode mode : {PosixFileAccess::Mode::ReadWrite, PosixFileAccess::Mode::Inspect}) {
        PosixFileAccess file(mode);
        EXPECT_FALSE(file.open(path.c_str()));
        EXPECT_EQ(file.refusal(), PosixFileAccess::Refusal::NotRegularFile);
        EXPECT_FALSE(file.isOpen());
    }
    EXPECT_EQ(WaveRepairer().repair(path.c_str(), true), FileError);
}

TEST_F(PosixFileAccessTest, RefusesDevicesAndDirectories)
{
    PosixFileAccess file;
    EXPECT_FALSE(file.open("/dev/null"));
    EXPECT_EQ(file.refusal(), PosixFileAccess::Refusal::NotRegularFile);
    for (PosixFileAccess::Mode mode : {PosixFileAccess::Mode::ReadWrite, PosixFileAccess::Mode::Inspect}) {
        PosixFileAccess other(mode);
        EXPECT_FALSE(other.open(dir.path().c_str()));
        EXPECT_EQ(other.lastError(), EISDIR);
        EXPECT_EQ(other.refusal(), PosixFileAccess::Refusal::None);
    }
}

TEST_F(PosixFileAccessTest, ReportsTheSystemsReasonForAMissingFile)
{
    PosixFileAccess file;
    EXPECT_FALSE(file.open(dir.file("absent.wav").c_str()));
    EXPECT_EQ(file.lastError(), ENOENT);
    EXPECT_EQ(file.refusal(), PosixFileAccess::Refusal::None);
}

TEST_F(PosixFileAccessTest, NamesALockHeldElsewhereAsTheReason)
{
    const std::string path = dir.file("held.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    for (HeldFile::Kind kind : holdKinds()) {
        HeldFile other(path, kind);
        ASSERT_TRUE(other.holding());
        PosixFileAccess file;
        EXPECT_FALSE(file.open(path.c_str()));
        EXPECT_EQ(file.refusal(), PosixFileAccess::Refusal::Locked);
        EXPECT_NE(file.lastError(), 0);
    }
}

TEST_F(PosixFileAccessTest, ReadingTheHeaderLeavesTheAccessTimeAlone)
{
    const std::string path = dir.file("atime.wav");
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    // An access time older than the modification time is what even relatime
    // would update on a read.
    FileTimes old;
    old.accessed = timeNow() - 30 * oneDay();
    old.modified = timeNow() - oneDay();
    ASSERT_TRUE(setTimes(path, old));
    for (PosixFileAccess::Mode mode : {PosixFileAccess::Mode::ReadWrite, PosixFileAccess::Mode::Inspect}) {
        PosixFileAccess file(mode);
        RepairFindings findings;
        EXPECT_EQ(WaveRepairer().inspect(file, path.c_str(), findings), AlreadyValid);
        FileTimes now;
        ASSERT_TRUE(readTimes(path, now));
        EXPECT_EQ(now.accessed, old.accessed);
        EXPECT_EQ(now.modified, old.modified);
    }
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

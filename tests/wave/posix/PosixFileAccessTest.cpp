#include "FileSystemSync.h"
#include "PosixFileAccess.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Mode = PosixFileAccess::Mode;
using Refusal = PosixFileAccess::Refusal;

// What another process gets when it asks for a lock on path without waiting:
// bit 0 set when flock was refused, bit 1 when the fcntl lock was refused, 4
// when even a non-blocking open was turned away, -1 when the child could not
// report in time.
int othersLockAttempt(const std::string& path, bool exclusive) {
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(path.c_str(), (exclusive ? O_RDWR : O_RDONLY) | O_NONBLOCK);
        if (fd < 0)
            _exit(errno == EWOULDBLOCK ? 4 : 100);
        struct flock range = {};
        range.l_type = exclusive ? F_WRLCK : F_RDLCK;
        range.l_whence = SEEK_SET;
        _exit((flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0 ? 1 : 0)
            | (fcntl(fd, F_SETLK, &range) != 0 ? 2 : 0));
    }
    int status = 0;
    for (int i = 0; child > 0 && i < 1000; ++i) {
        if (waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return -1;
}

class PosixFileAccessTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ready());
        ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    }

    ScratchDir dir;
    const std::string path = dir.file("subject.wav");
};

// Held by its owner, the file is under a lease that turns every later opener
// away (or makes it wait). Someone else, who may take no lease, holds it by the
// locks alone: they keep out every locker, and an inspection, whose read-only
// descriptor can hold only a read lock of fcntl's kind, every writer. The
// holder is a child, so that a lease break's signal cannot end this process.
TEST_F(PosixFileAccessTest, HolderKeepsLaterOpenersOrLockersOut) {
    struct Case {
        bool owner;
        Mode mode;
        int reader;
        int writer;
    };
    const Case cases[] = {{true, Mode::ReadWrite, 4, 4}, {true, Mode::Inspect, 4, 4}, {false, Mode::ReadWrite, 3, 3},
        {false, Mode::Inspect, 1, 3}};
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    for (const Case& c : cases) {
        if (!c.owner && geteuid() != 0)
            continue;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t holder = fork();
        if (holder == 0) {
            close(ready[0]);
            if (!c.owner && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0))
                _exit(100);
            // As a program starts, whatever this process did before.
            signal(SIGIO, SIG_DFL);
            PosixFileAccess file(c.mode);
            if (file.open(path.c_str()) && write(ready[1], "", 1) == 1)
                pause();
            _exit(101);
        }
        close(ready[1]);
        char opened;
        ASSERT_EQ(read(ready[0], &opened, 1), 1) << c.owner << ": the holder could not open the file";
        EXPECT_EQ(othersLockAttempt(path, false), c.reader) << c.owner;
        EXPECT_EQ(othersLockAttempt(path, true), c.writer) << c.owner;
        // The lease break did not end the holder.
        EXPECT_EQ(waitpid(holder, nullptr, WNOHANG), 0) << c.owner;
        kill(holder, SIGKILL);
        waitpid(holder, nullptr, 0);
        close(ready[0]);
        EXPECT_EQ(othersLockAttempt(path, true), 0) << c.owner;
    }
}

TEST_F(PosixFileAccessTest, InspectionIsRefusedByEveryHolderThatRefusesARepair) {
    for (HeldFile::Kind kind : holdKinds()) {
        HeldFile other(path, kind);
        ASSERT_TRUE(other.holding());
        for (Mode mode : {Mode::ReadWrite, Mode::Inspect}) {
            PosixFileAccess file(mode);
            EXPECT_FALSE(file.open(path.c_str())) << static_cast<int>(kind);
            EXPECT_EQ(file.refusal(), Refusal::Locked) << static_cast<int>(kind);
        }
    }
}

TEST_F(PosixFileAccessTest, RefusesInBothModesWithTheReason) {
    const std::string readOnly = dir.file("readonly.wav");
    ASSERT_TRUE(writeFile(readOnly, bytesOf(sampleHeader(36, 0))));
    ASSERT_TRUE(setReadOnly(readOnly, true));
    const std::string fifo = dir.file("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    struct Case {
        std::string path;
        int error; // 0: any code
        Refusal refusal;
    };
    const Case cases[] = {
        {readOnly, EACCES, Refusal::ReadOnly},
        // Refused without waiting for a writer to appear.
        {fifo, 0, Refusal::NotRegularFile},
        {"/dev/null", 0, Refusal::NotRegularFile},
        {dir.path(), EISDIR, Refusal::None},
        {dir.file("absent.wav"), ENOENT, Refusal::None},
    };
    // Taken at a listing's word too, each is refused alike, after its open
    // where the open itself does not refuse it.
    for (const Case& c : cases) {
        for (bool listed : {false, true}) {
            for (Mode mode : {Mode::ReadWrite, Mode::Inspect}) {
                PosixFileAccess file(mode);
                file.trustListing(listed);
                EXPECT_FALSE(file.open(c.path.c_str())) << c.path << listed;
                EXPECT_NE(file.lastError(), 0) << c.path << listed;
                if (c.error != 0) {
                    EXPECT_EQ(file.lastError(), c.error) << c.path << listed;
                }
                EXPECT_EQ(file.refusal(), c.refusal) << c.path << listed;
                EXPECT_FALSE(file.isOpen()) << c.path << listed;
            }
        }
    }
    EXPECT_EQ(WaveRepairer().repair(fifo.c_str(), true), FileError);

    // A named link is followed; one put in a listed file's place is not.
    const std::string link = dir.file("link.wav");
    ASSERT_EQ(symlink("subject.wav", link.c_str()), 0);
    for (bool listed : {false, true}) {
        PosixFileAccess file;
        file.trustListing(listed);
        EXPECT_EQ(file.open(link.c_str()), !listed);
        EXPECT_EQ(file.refusal(), listed ? Refusal::NotRegularFile : Refusal::None);
    }
}

// Opening a device can act on hardware: nothing but a regular file may be
// opened, in either mode, even for a moment.
TEST_F(PosixFileAccessTest, OpensNothingButARegularFile) {
    const std::string fifo = dir.file("pipe.wav");
    const std::string device = dir.file("null.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    const bool haveDevice = mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (const std::string& node : {fifo, device}) {
        if (node == device && !haveDevice)
            continue;
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, node.c_str(), IN_OPEN), 0);
        for (Mode mode : {Mode::ReadWrite, Mode::Inspect}) {
            PosixFileAccess file(mode);
            EXPECT_FALSE(file.open(node.c_str())) << node;
            EXPECT_EQ(file.refusal(), Refusal::NotRegularFile) << node;
        }
        char event[sizeof(inotify_event) + 256];
        EXPECT_LT(read(watch, event, sizeof event), 0) << node << " was opened";
        close(watch);
    }
}

// Only the owner may set the time back, so keeping it is refused up front to
// anyone else, in both modes, rather than after the header was rewritten.
// Needs a file owned by someone else that this user may write: the superuser
// makes one and tries it as uid 65534.
TEST(PosixFileAccessOwnerTest, KeepingTheTimeIsRefusedBeforeAnyWriteToAllButTheOwner) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs the superuser to make a file owned by someone else";
    char folder[] = "/tmp/sonorix-owner-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/theirs.wav";
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 0))));
    ASSERT_EQ(chmod(folder, 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
            _exit(100);
        int failures = 0;
        for (Mode mode : {Mode::ReadWrite, Mode::Inspect}) {
            PosixFileAccess keeping(mode, PosixFileAccess::Time::Keep);
            failures += keeping.open(path.c_str()) || keeping.refusal() != Refusal::NotOwner;
            PosixFileAccess touching(mode, PosixFileAccess::Time::MayChange);
            failures += !touching.open(path.c_str());
        }
        _exit(failures);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "wrong answers as uid 65534 (100: could not become it)";
    // The owner keeps the time as before.
    PosixFileAccess owner(Mode::ReadWrite, PosixFileAccess::Time::Keep);
    EXPECT_TRUE(owner.open(path.c_str()));
    owner.close();
    unlink(path.c_str());
    rmdir(folder);
}

// Writes reach the disk at the close, or at the sync of the file system the
// close left them to; a failed sync names the device, and either way nothing
// is left to sync afterwards.
TEST_F(PosixFileAccessTest, WritesReachTheDiskAtCloseOrAtTheSyncTheyWereLeftTo) {
    const FileSystemSync::SyncCall failing = [](int) {
        errno = EIO;
        return -1;
    };
    const unsigned char size[4] = {1, 2, 3, 4};
    for (FileSystemSync::SyncCall call :
        {FileSystemSync::SyncCall(nullptr), FileSystemSync::SyncCall(::syncfs), failing}) {
        FileSystemSync sync(call);
        PosixFileAccess file(Mode::ReadWrite, PosixFileAccess::Time::MayChange, &sync);
        ASSERT_TRUE(file.open(path.c_str()));
        std::uint32_t done = 0;
        ASSERT_TRUE(file.writeAt(40, size, 4, done));
        EXPECT_TRUE(file.close());
        dev_t device = 0;
        EXPECT_EQ(file.syncDeferred(device), call != nullptr);
        const std::vector<FileSystemSync::Failure> failures = sync.syncDeferred();
        ASSERT_EQ(failures.size(), call == failing ? 1u : 0u);
        if (call == failing) {
            EXPECT_EQ(failures[0].device, device);
            EXPECT_EQ(failures[0].error, EIO);
        }
        EXPECT_TRUE(sync.syncDeferred().empty());
        bool dirty = false;
        if (call != failing && firstPageDirty(path, dirty)) {
            EXPECT_FALSE(dirty);
        }
    }
}

TEST_F(PosixFileAccessTest, ReadStopsAtTheEndAndTimesKeepTheirNanoseconds) {
    ASSERT_TRUE(writeFile(path, std::vector<unsigned char>(30, 7)));
    PosixFileAccess file;
    ASSERT_TRUE(file.open(path.c_str()));
    unsigned char buffer[44] = {};
    std::uint32_t done = 99;
    EXPECT_TRUE(file.read(buffer, 44, done));
    EXPECT_EQ(done, 30u);
    EXPECT_EQ(buffer[29], 7);
    EXPECT_EQ(buffer[30], 0);

    const FileTime time = {1234567890, 987654321};
    ASSERT_TRUE(file.setLastWriteTime(time));
    FileTime read;
    ASSERT_TRUE(file.getLastWriteTime(read));
    EXPECT_EQ(read.seconds, time.seconds);
    EXPECT_EQ(read.nanoseconds, time.nanoseconds);
}

}

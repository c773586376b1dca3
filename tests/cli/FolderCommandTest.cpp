#include "ProgramRun.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class FolderCommandTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ready()); }

    std::string create(const std::string& leaf, const WaveHeader& header) {
        const std::string path = dir.file(leaf.c_str());
        EXPECT_TRUE(writeSparseFile(path, bytesOf(header), 1044, {9}));
        return path;
    }

    ScratchDir dir;
};

TEST_F(FolderCommandTest, RecursiveRepairsTheRecordingsBeneathAFolderInOrderWithoutFollowingLinks) {
    const std::string top = dir.path();
    ASSERT_TRUE(makeDirectory(dir.file("sub")) && makeDirectory(dir.file("locked")));
    const std::string cut = create("b.wav", sampleHeader(36, 0));
    const std::string upper = create("A.WAV", sampleHeader(36, 0));
    const std::string sound = create("sub/c.bwf", sampleHeader(1036, 1000));
    const std::string other = create("sub/d.aiff", patched(sampleHeader(36, 0), 22, 2, 6));
    create("notes.txt", sampleHeader(36, 0));
    ASSERT_EQ(symlink("b.wav", dir.file("link.wav").c_str()), 0);
    ASSERT_EQ(symlink("sub", dir.file("linked").c_str()), 0);
    ASSERT_EQ(chmod(dir.file("locked").c_str(), 0), 0);
    const bool superuser = geteuid() == 0;
    // Its listing tells a pipe from a file, so the walk never opens it.
    const std::string pipe = dir.file("sub/p.wav");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, pipe.c_str(), IN_OPEN), 0);

    const ProgramRun result = runProgram(repairProgram(), {"--canonical", "-r", top});
    chmod(dir.file("locked").c_str(), 0755);
    char event[sizeof(inotify_event) + 256];
    EXPECT_LT(read(watch, event, sizeof event), 0) << "the pipe was opened";
    close(watch);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out,
        upper + ": repaired\n" + cut + ": repaired\n"
            + (superuser ? "" : dir.file("locked") + ": file error (Permission denied)\n") + sound + ": already sound\n"
            + other + ": unsupported format (6 channels)\n" + pipe + ": file error (not a regular file)\n");
    EXPECT_EQ(result.err,
        "sonorix-repair: " + std::string(superuser ? "5" : "6") + " files: 2 repaired, 1 already sound, "
            + "1 unsupported format, " + (superuser ? "1" : "2") + " file error\n");
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes)
        text += std::string{digits[c >> 4], digits[c & 15]};
    return text;
}

// Each change is the field's offset and its bytes before and after, so that
// the repair can be checked and undone; a name that is not UTF-8 comes with
// its bytes.
TEST_F(FolderCommandTest, JsonGivesOneObjectPerFileWithEveryFieldWritten) {
    const std::string cut = create("cut.wav", sampleHeader(36, 0));
    const std::string odd = create("odd\xFF.wav", patched(sampleHeader(36, 0), 22, 2, 6));
    const std::string riff = "{\"offset\":4,\"before\":\"24000000\",\"after\":\"0c040000\"}";
    const std::string data = "{\"offset\":40,\"before\":\"00000000\",\"after\":\"e8030000\"}";
    ProgramRun result = runProgram(repairProgram(), {"--canonical", "--json", "--dry-run", cut, odd});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
        "{\"path\":\"" + cut + "\",\"outcome\":\"would be repaired\",\"reason\":null,\"changes\":[" + riff + "," + data
            + "]}\n{\"path\":\"" + dir.file("odd") + "\xEF\xBF\xBD.wav\",\"path_bytes\":\"" + hex(odd)
            + "\",\"outcome\":\"unsupported format\",\"reason\":\"6 channels\",\"changes\":[]}\n");
    EXPECT_EQ(result.err, "sonorix-repair: 2 files: 1 would be repaired, 1 unsupported format\n");

    result = runProgram(repairProgram(), {"--json", cut});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
        "{\"path\":\"" + cut + "\",\"outcome\":\"repaired\",\"reason\":null,\"changes\":[" + data + "," + riff
            + "]}\n");
    EXPECT_EQ(readRange(cut, 0, 44), bytesOf(sampleHeader(1036, 1000)));
}

}

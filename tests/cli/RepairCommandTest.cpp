#include "ProgramRun.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

std::vector<unsigned char> recording(const WaveHeader& header, std::size_t samples)
{
    std::vector<unsigned char> bytes = bytesOf(header);
    for (std::size_t i = 0; i < samples; ++i)
        bytes.push_back(static_cast<unsigned char>(i * 13 + 1));
    return bytes;
}

class RepairCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.ready());
        const std::int64_t now = timeNow();
        // Access before modification: what a read would update even under
        // relatime, so an unchanged access time means nothing read it carelessly.
        oldTimes.accessed = now - 40 * oneDay() + 111;
        oldTimes.modified = now - 30 * oneDay() + 222;
    }

    std::string create(const char* leaf, const std::vector<unsigned char>& bytes)
    {
        const std::string path = dir.file(leaf);
        EXPECT_TRUE(writeFile(path, bytes));
        EXPECT_TRUE(setTimes(path, oldTimes));
        return path;
    }

    static ProgramRun run(const std::vector<std::string>& args)
    {
        return runProgram(SONORIX_REPAIR, args);
    }

    void expectUntouched(const std::string& path, const std::vector<unsigned char>& bytes)
    {
        FileTimes now;
        ASSERT_TRUE(readTimes(path, now));
        EXPECT_EQ(now.modified, oldTimes.modified);
        EXPECT_EQ(now.accessed, oldTimes.accessed);
        EXPECT_EQ(readFile(path), bytes);
    }

    ScratchDir dir;
    FileTimes oldTimes;
};

TEST_F(RepairCommandTest, RepairsACutRecordingAndKeepsItsModificationTime)
{
    const std::string path = create("cut.wav", recording(sampleHeader(36, 0), 1000));
    const ProgramRun result = run({path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, path + ": repaired\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(path), recording(sampleHeader(1036, 1000), 1000));
    FileTimes now;
    ASSERT_TRUE(readTimes(path, now));
    EXPECT_EQ(now.modified, oldTimes.modified);

    const ProgramRun again = run({path});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, path + ": already sound\n");
}

TEST_F(RepairCommandTest, TouchLetsTheRepairUpdateTheModificationTime)
{
    const std::string path = create("cut.wav", recording(sampleHeader(36, 0), 1000));
    const std::int64_t started = timeNow();
    const ProgramRun result = run({"--touch", path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, path + ": repaired\n");
    FileTimes now;
    ASSERT_TRUE(readTimes(path, now));
    EXPECT_GE(now.modified, started - oneDay() / 86400);
}

TEST_F(RepairCommandTest, SoundFileIsLeftAlone)
{
    const std::vector<unsigned char> bytes = recording(sampleHeader(1036, 1000), 1000);
    const std::string path = create("sound.wav", bytes);
    const ProgramRun result = run({path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, path + ": already sound\n");
    expectUntouched(path, bytes);
}

struct UnsupportedCase {
    const char* name;
    WaveHeader header;
    const char* why;
};

class UnsupportedTest : public RepairCommandTest, public testing::WithParamInterface<UnsupportedCase> {};

TEST_P(UnsupportedTest, NamesTheFirstFailedTest)
{
    const std::vector<unsigned char> bytes = recording(GetParam().header, 100);
    const std::string path = create("odd.wav", bytes);
    for (const char* option : {"--touch", "--dry-run"}) {
        const ProgramRun result = run({option, path});
        EXPECT_EQ(result.status, 1) << option;
        EXPECT_EQ(result.out, path + ": unsupported format (" + GetParam().why + ")\n") << option;
        expectUntouched(path, bytes);
    }
}

WaveHeader withTag(WaveHeader header, std::size_t offset, const char* text)
{
    for (std::size_t i = 0; i < 4; ++i)
        header.bytes[offset + i] = static_cast<unsigned char>(text[i]);
    return header;
}

INSTANTIATE_TEST_SUITE_P(Headers, UnsupportedTest, testing::Values(
    UnsupportedCase{"notRiff", withTag(sampleHeader(36, 0), 0, "RF64"), "not RIFF/WAVE"},
    UnsupportedCase{"notWave", withTag(sampleHeader(36, 0), 8, "AVI "), "not RIFF/WAVE"},
    UnsupportedCase{"formatNotFirst", withTag(sampleHeader(36, 0), 12, "JUNK"), "the format chunk does not come first"},
    UnsupportedCase{"listChunk", withTag(sampleHeader(36, 0), 36, "LIST"), "a chunk other than data follows the format chunk"},
    UnsupportedCase{"float", patched(sampleHeader(36, 0), 20, 2, 3), "format 3, not integer PCM"},
    UnsupportedCase{"threeChannels", patched(sampleHeader(36, 0), 22, 2, 3), "3 channels"},
    UnsupportedCase{"twentyFourBits", patched(sampleHeader(36, 0), 34, 2, 24), "24 bits per sample"},
    UnsupportedCase{"noSampleRate", patched(sampleHeader(36, 0), 24, 4, 0), "sample rate 0"}),
    [](const testing::TestParamInfo<UnsupportedCase>& info) { return std::string(info.param.name); });

TEST_F(RepairCommandTest, FileLargerThanTheFieldsCanDescribeIsUnsupported)
{
    const std::string path = dir.file("huge.wav");
    ASSERT_TRUE(writeSparseFile(path, bytesOf(sampleHeader(36, 0)), 4 * GiB + 8, {9}));
    ASSERT_TRUE(setTimes(path, oldTimes));
    const ProgramRun result = run({path});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, path + ": unsupported format (larger than 4 GiB)\n");
    EXPECT_EQ(readRange(path, 0, 44), bytesOf(sampleHeader(36, 0)));
    FileTimes now;
    ASSERT_TRUE(readTimes(path, now));
    EXPECT_EQ(now.modified, oldTimes.modified);
}

struct FileErrorCase {
    const char* name;
    const char* why;
};

class FileErrorTest : public RepairCommandTest, public testing::WithParamInterface<FileErrorCase> {
protected:
    std::string prepare(const std::string& kind)
    {
        const std::string path = dir.file("subject.wav");
        if (kind == "missing")
            return path;
        if (kind == "directory") {
            EXPECT_TRUE(makeDirectory(path));
            return path;
        }
        if (kind == "fifo") {
            EXPECT_EQ(mkfifo(path.c_str(), 0644), 0);
            return path;
        }
        if (kind == "short")
            return create("subject.wav", std::vector<unsigned char>(43, 'R'));
        create("subject.wav", recording(sampleHeader(36, 0), 100));
        if (kind == "readOnly") {
            EXPECT_TRUE(setReadOnly(path, true));
        }
        return path;
    }
};

TEST_P(FileErrorTest, ReportsTheReasonAndExitsWith2)
{
    const std::string path = prepare(GetParam().name);
    for (const char* option : {"--touch", "--dry-run"}) {
        const ProgramRun result = run({option, path});
        EXPECT_EQ(result.status, 2) << option;
        EXPECT_EQ(result.out, path + ": file error (" + GetParam().why + ")\n") << option;
        EXPECT_EQ(result.err, "") << option;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FileErrorTest, testing::Values(
    FileErrorCase{"missing", "No such file or directory"},
    FileErrorCase{"directory", "Is a directory"},
    FileErrorCase{"fifo", "not a regular file"},
    FileErrorCase{"short", "shorter than the 44-byte header"},
    FileErrorCase{"readOnly", "read-only"}),
    [](const testing::TestParamInfo<FileErrorCase>& info) { return std::string(info.param.name); });

TEST_F(RepairCommandTest, FileLockedByAnotherProcessIsAFileError)
{
    const std::vector<unsigned char> bytes = recording(sampleHeader(36, 0), 100);
    const std::string path = create("held.wav", bytes);
    for (HeldFile::Kind kind : holdKinds()) {
        HeldFile other(path, kind);
        ASSERT_TRUE(other.holding());
        const ProgramRun result = run({path});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, path + ": file error (locked by another process)\n");
        EXPECT_EQ(readFile(path), bytes);
    }
    EXPECT_EQ(run({path}).status, 0);
}

TEST_F(RepairCommandTest, DryRunChangesNoByteAndNoTime)
{
    const std::vector<unsigned char> cut = recording(sampleHeader(36, 0), 5000);
    const std::vector<unsigned char> sound = recording(sampleHeader(5036, 5000), 5000);
    const std::string cutPath = create("cut.wav", cut);
    const std::string soundPath = create("sound.wav", sound);
    const ProgramRun result = run({"--dry-run", cutPath, soundPath});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, cutPath + ": would be repaired\n" + soundPath + ": already sound\n");
    expectUntouched(cutPath, cut);
    expectUntouched(soundPath, sound);
}

// The close events the file saw while action ran: IN_CLOSE_WRITE for each
// closed descriptor that was open for writing, IN_CLOSE_NOWRITE for the others.
template <typename Action>
std::uint32_t closeEventsDuring(const std::string& path, Action action)
{
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, path.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        if (watch >= 0)
            close(watch);
        return 0;
    }
    action();
    std::uint32_t seen = 0;
    alignas(inotify_event) char buffer[4096];
    ssize_t got;
    while ((got = read(watch, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(at);
            seen |= event->mask;
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    return seen;
}

TEST_F(RepairCommandTest, DryRunOpensNothingForWriting)
{
    const std::string path = create("cut.wav", recording(sampleHeader(36, 0), 100));
    ProgramRun result;
    const std::uint32_t dry = closeEventsDuring(path, [&] { result = run({"--dry-run", path}); });
    EXPECT_EQ(result.out, path + ": would be repaired\n");
    EXPECT_TRUE(dry & IN_CLOSE_NOWRITE);
    EXPECT_FALSE(dry & IN_CLOSE_WRITE);
    // The same watch sees a repair's open for writing.
    const std::uint32_t real = closeEventsDuring(path, [&] { result = run({path}); });
    EXPECT_EQ(result.out, path + ": repaired\n");
    EXPECT_TRUE(real & IN_CLOSE_WRITE);
}

TEST_F(RepairCommandTest, HandlesEveryFileInTurnAndExitsWithTheWorstOutcome)
{
    const std::string cut = create("a.wav", recording(sampleHeader(36, 0), 10));
    const std::string odd = create("b.wav", recording(patched(sampleHeader(36, 0), 22, 2, 6), 10));
    const std::string sound = create("c.wav", recording(sampleHeader(46, 10), 10));
    const std::string missing = dir.file("d.wav");

    ProgramRun result = run({cut, odd, sound});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, cut + ": repaired\n" + odd + ": unsupported format (6 channels)\n"
        + sound + ": already sound\n");

    result = run({missing, cut, odd});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, missing + ": file error (No such file or directory)\n" + cut
        + ": already sound\n" + odd + ": unsupported format (6 channels)\n");
}

TEST_F(RepairCommandTest, DoubleDashEndsTheOptions)
{
    const std::string path = create("--touch", recording(sampleHeader(36, 0), 10));
    const ProgramRun result = run({"--", path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, path + ": repaired\n");
}

TEST(RepairCommandUsage, HelpAndVersion)
{
    const ProgramRun help = runProgram(SONORIX_REPAIR, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: sonorix-repair [--dry-run] [--touch] FILE...\n", 0), 0u);
    EXPECT_NE(help.out.find("--dry-run"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const ProgramRun version = runProgram(SONORIX_REPAIR, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "sonorix-repair 1.01\n");
}

TEST(RepairCommandUsage, UsageErrorsGoToStandardErrorWithStatus64)
{
    const std::vector<std::vector<std::string>> commands = {{}, {"--dry-run"}, {"--fix", "a.wav"}, {"-x"}};
    for (const std::vector<std::string>& args : commands) {
        const ProgramRun result = runProgram(SONORIX_REPAIR, args);
        EXPECT_EQ(result.status, 64);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("Usage: sonorix-repair"), std::string::npos);
    }
}

}

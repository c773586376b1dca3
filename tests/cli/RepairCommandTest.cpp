#include "ProgramRun.h"
#include "SampleHeader.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

WaveHeader withTag(WaveHeader header, std::size_t offset, const char* text) {
    std::memcpy(header.bytes + offset, text, 4);
    return header;
}

// The canonical rule, Sonorix.exe's, which these tests hold the command to,
// with lang as LANG.
ProgramRun run(std::vector<std::string> args, const std::string& lang = "C") {
    args.insert(args.begin(), "--canonical");
    return runProgram(repairProgram(), args, 20000, lang);
}

class RepairCommandTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ready());
        const std::int64_t now = timeNow();
        // Access before modification: what a read would update even under
        // relatime, so an unchanged access time means nothing read it carelessly.
        oldTimes.accessed = now - 40 * oneDay() + 111;
        oldTimes.modified = now - 30 * oneDay() + 222;
    }

    // A file of size bytes starting with the header (cut short below 44).
    std::string create(const char* leaf, const WaveHeader& header, std::uint64_t size = 1044) {
        const std::string path = dir.file(leaf);
        std::vector<unsigned char> head = bytesOf(header);
        head.resize(std::min<std::uint64_t>(size, 44));
        EXPECT_TRUE(writeSparseFile(path, head, size,
            size > 44 ? std::vector<unsigned char>{9} : std::vector<unsigned char>()));
        EXPECT_TRUE(setTimes(path, oldTimes));
        return path;
    }

    void expectFile(const std::string& path, const WaveHeader& header, std::uint64_t size = 1044) {
        FileTimes now;
        ASSERT_TRUE(readTimes(path, now));
        EXPECT_EQ(now.modified, oldTimes.modified);
        EXPECT_EQ(now.accessed, oldTimes.accessed);
        std::vector<unsigned char> head = bytesOf(header);
        head.resize(std::min<std::uint64_t>(size, 44));
        EXPECT_EQ(readRange(path, 0, 44), head);
        EXPECT_EQ(fileSize(path), size);
    }

    ScratchDir dir;
    FileTimes oldTimes;
};

TEST_F(RepairCommandTest, RepairsACutRecordingAndKeepsItsTimeUnlessTouched) {
    std::string path;
    for (const char* option : {"--", "--touch"}) {
        path = create("cut.wav", sampleHeader(36, 0));
        const std::int64_t started = timeNow();
        const ProgramRun result = run({option, path});
        EXPECT_EQ(result.status, 0) << option;
        EXPECT_EQ(result.out, path + ": repaired\n") << option;
        EXPECT_EQ(result.err, "") << option;
        EXPECT_EQ(readRange(path, 0, 44), bytesOf(sampleHeader(1036, 1000))) << option;
        FileTimes now;
        ASSERT_TRUE(readTimes(path, now));
        if (option == std::string("--")) {
            EXPECT_EQ(now.modified, oldTimes.modified);
        } else {
            EXPECT_GE(now.modified, started - oneDay() / 86400);
        }
    }
    const ProgramRun again = run({"--", path});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, path + ": already sound\n");
}

// A file the command must leave alone, and the line and status it reports,
// in English and in Japanese. Files of another kind are built from header and
// size; the others by kind.
struct RefusedCase {
    const char* name;
    WaveHeader header;
    std::uint64_t size;
    int status;
    const char* text;
    const char* japanese;
    const char* kind;
};

// Sets or clears one of the file's attribute flags (chattr), false where the
// user or the file system may not.
bool setFlag(const std::string& path, int flag, bool on) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    bool set = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | flag : flags & ~flag;
    set = set && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        close(fd);
    return set;
}

// Each case once under LANG=C and once under LANG=ja_JP.UTF-8.
class RefusedFileTest : public RepairCommandTest,
                        public testing::WithParamInterface<std::tuple<RefusedCase, const char*>> {};

TEST_P(RefusedFileTest, ReportsWhyAndLeavesTheFileAlone) {
    const RefusedCase& c = std::get<0>(GetParam());
    const std::string lang = std::get<1>(GetParam());
    const std::string kind = c.kind != nullptr ? c.kind : "";
    std::string path = dir.file("subject.wav");
    const bool regular = kind != "directory" && kind != "fifo" && kind != "missing";
    if (kind == "directory") {
        ASSERT_TRUE(makeDirectory(path));
    } else if (kind == "fifo") {
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    } else if (regular) {
        path = create("subject.wav", c.header, c.size);
    }
    if (kind == "readOnly") {
        ASSERT_TRUE(setReadOnly(path, true));
    }
    const int flag = kind == "appendOnly" ? FS_APPEND_FL : kind == "immutable" ? FS_IMMUTABLE_FL : 0;
    if (flag != 0 && !setFlag(path, flag, true))
        GTEST_SKIP() << "needs the superuser and a file system with attribute flags";
    // A recorder still appending, without a lock.
    const int writer = kind == "inUse" ? open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC) : -1;

    for (const char* option : {"--touch", "--dry-run"}) {
        const ProgramRun result = run({option, path}, lang);
        EXPECT_EQ(result.status, c.status) << option;
        EXPECT_EQ(result.out, path + ": " + (lang == "C" ? c.text : c.japanese) + "\n") << option;
        EXPECT_EQ(result.err, "") << option;
    }
    if (writer >= 0)
        close(writer);
    // Cleared, or the scratch folder could not be removed.
    if (flag != 0) {
        EXPECT_TRUE(setFlag(path, flag, false));
    }
    if (regular)
        expectFile(path, c.header, c.size);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileTest,
    testing::Combine(
        testing::Values(RefusedCase{"notRiff", withTag(sampleHeader(36, 0), 0, "RF64"), 144, 1,
                            "unsupported format (not RIFF/WAVE)",
                            u8"サポート外のファイル形式です (RIFF/WAVE ではありません)", nullptr},
            RefusedCase{"notWave", withTag(sampleHeader(36, 0), 8, "AVI "), 144, 1,
                "unsupported format (not RIFF/WAVE)", u8"サポート外のファイル形式です (RIFF/WAVE ではありません)",
                nullptr},
            RefusedCase{"formatNotFirst", withTag(sampleHeader(36, 0), 12, "JUNK"), 144, 1,
                "unsupported format (the format chunk does not come first)",
                u8"サポート外のファイル形式です (フォーマットチャンクが先頭にありません)", nullptr},
            RefusedCase{"listChunk", withTag(sampleHeader(36, 0), 36, "LIST"), 144, 1,
                "unsupported format (a chunk other than data follows the format chunk)",
                u8"サポート外のファイル形式です (フォーマットチャンクの次が data チャンクではありません)", nullptr},
            RefusedCase{"float", patched(sampleHeader(36, 0), 20, 2, 3), 144, 1,
                "unsupported format (format 3, not integer PCM)",
                u8"サポート外のファイル形式です (フォーマット 3 で、整数の PCM ではありません)", nullptr},
            RefusedCase{"threeChannels", patched(sampleHeader(36, 0), 22, 2, 3), 144, 1,
                "unsupported format (3 channels)", u8"サポート外のファイル形式です (チャンネル数が 3 です)", nullptr},
            RefusedCase{"twentyFourBits", patched(sampleHeader(36, 0), 34, 2, 24), 144, 1,
                "unsupported format (24 bits per sample)", u8"サポート外のファイル形式です (量子化ビット数が 24 です)",
                nullptr},
            RefusedCase{"noSampleRate", patched(sampleHeader(36, 0), 24, 4, 0), 144, 1,
                "unsupported format (sample rate 0)", u8"サポート外のファイル形式です (サンプリング周波数が 0 です)",
                nullptr},
            RefusedCase{"huge", sampleHeader(36, 0), 4 * GiB + 8, 1, "unsupported format (larger than 4 GiB + 7 bytes)",
                u8"サポート外のファイル形式です (4 GiB + 7 バイトより大きいファイルです)", nullptr},
            RefusedCase{"short", sampleHeader(36, 0), 43, 2, "file error (shorter than the 44-byte header)",
                u8"ファイルエラーが起こりました (44 バイトのヘッダより短いファイルです)", nullptr},
            RefusedCase{"readOnly", sampleHeader(36, 0), 144, 2, "file error (read-only)",
                u8"ファイルエラーが起こりました (読み取り専用です)", "readOnly"},
            RefusedCase{"inUse", sampleHeader(36, 0), 144, 2, "file error (in use by another process)",
                u8"ファイルエラーが起こりました (他のプロセスが使用中です)", "inUse"},
            RefusedCase{"appendOnly", sampleHeader(36, 0), 144, 2, "file error (append-only)",
                u8"ファイルエラーが起こりました (追記専用です)", "appendOnly"},
            RefusedCase{"immutable", sampleHeader(36, 0), 144, 2, "file error (immutable)",
                u8"ファイルエラーが起こりました (変更不可に設定されています)", "immutable"},
            RefusedCase{"missing", WaveHeader(), 0, 2, "file error (No such file or directory)",
                u8"ファイルエラーが起こりました (ファイルもフォルダーも見つかりません)", "missing"},
            RefusedCase{"directory", WaveHeader(), 0, 2, "file error (a folder; --recursive repairs what it holds)",
                u8"ファイルエラーが起こりました (フォルダーです。中の録音は --recursive を付けると修復します)",
                "directory"},
            RefusedCase{"fifo", WaveHeader(), 0, 2, "file error (not a regular file)",
                u8"ファイルエラーが起こりました (通常のファイルではありません)", "fifo"}),
        testing::Values("C", "ja_JP.UTF-8")),
    [](const testing::TestParamInfo<std::tuple<RefusedCase, const char*>>& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param)[0] == 'C' ? "" : "Japanese");
    });

TEST_F(RepairCommandTest, FileLockedByAnotherProcessIsAFileErrorInEveryMode) {
    const std::string path = create("held.wav", sampleHeader(36, 0));
    for (HeldFile::Kind kind : holdKinds()) {
        HeldFile other(path, kind);
        ASSERT_TRUE(other.holding());
        for (const char* option : {"--", "--dry-run"}) {
            const ProgramRun result = run({option, path});
            EXPECT_EQ(result.status, 2) << option;
            EXPECT_EQ(result.out, path + ": file error (locked by another process)\n") << option;
        }
    }
    expectFile(path, sampleHeader(36, 0));
    EXPECT_EQ(run({path}).status, 0);
}

// The close events the file saw while action ran: IN_CLOSE_WRITE for each
// closed descriptor that was open for writing, IN_CLOSE_NOWRITE for the others.
template <typename Action>
std::uint32_t closeEventsDuring(const std::string& path, Action action) {
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, path.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        if (watch >= 0)
            close(watch);
        return 0;
    }
    action();
    std::uint32_t seen = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(at);
            seen |= event->mask;
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    return seen;
}

TEST_F(RepairCommandTest, DryRunOpensNothingForWritingAndChangesNothing) {
    const std::string cut = create("cut.wav", sampleHeader(36, 0));
    const std::string sound = create("sound.wav", sampleHeader(1036, 1000));
    ProgramRun result;
    const std::uint32_t dry = closeEventsDuring(cut, [&] { result = run({"--dry-run", cut, sound}); });
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, cut + ": would be repaired\n" + sound + ": already sound\n");
    EXPECT_TRUE(dry & IN_CLOSE_NOWRITE);
    EXPECT_FALSE(dry & IN_CLOSE_WRITE);
    expectFile(cut, sampleHeader(36, 0));
    expectFile(sound, sampleHeader(1036, 1000));
    // The same watch sees a repair's open for writing.
    const std::uint32_t real = closeEventsDuring(cut, [&] { result = run({cut}); });
    EXPECT_EQ(result.out, cut + ": repaired\n");
    EXPECT_TRUE(real & IN_CLOSE_WRITE);
}

TEST_F(RepairCommandTest, HandlesEveryFileInTurnAndExitsWithTheWorstOutcome) {
    const std::string cut = create("a.wav", sampleHeader(36, 0), 54);
    const std::string odd = create("b.wav", patched(sampleHeader(36, 0), 22, 2, 6), 54);
    const std::string sound = create("c.wav", sampleHeader(46, 10), 54);
    const std::string missing = dir.file("d.wav");

    ProgramRun result = run({cut, odd, sound});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
        cut + ": repaired\n" + odd + ": unsupported format (6 channels)\n" + sound + ": already sound\n");
    EXPECT_EQ(result.err, "sonorix-repair: 3 files: 1 repaired, 1 already sound, 1 unsupported format\n");

    result = run({missing, cut, odd});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out,
        missing + ": file error (No such file or directory)\n" + cut + ": already sound\n" + odd
            + ": unsupported format (6 channels)\n");
}

// More files than one batch holds: every line in order, and each repair on
// the disk by the time it is reported.
TEST_F(RepairCommandTest, ReportsABatchOfRepairsOnceTheyAreOnTheDisk) {
    std::vector<std::string> paths;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        paths.push_back(create(("cut" + std::to_string(i) + ".wav").c_str(), sampleHeader(36, 0)));
        expected += paths.back() + ": repaired\n";
    }
    const ProgramRun result = run(paths);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected);
    for (const std::string& path : paths) {
        bool dirty = true;
        if (!firstPageDirty(path, dirty))
            GTEST_SKIP() << "needs the superuser to see which pages are not yet on the disk";
        EXPECT_FALSE(dirty) << path;
    }
}

TEST(RepairCommandUsage, HelpVersionAndUsageErrors) {
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out
                  .rfind("Usage: sonorix-repair [--canonical | --any-layout] [--dry-run] [--touch] [--recursive] "
                         "[--json]\n"
                         "                     [--like DONOR | --format RATE,BITS,CHANNELS[,float]] [--output DIR]\n"
                         "                     FILE...\n",
                      0),
        0u);
    for (const char* option : {"--canonical  ", "--any-layout  ", "--dry-run  ", "--touch  ", "--recursive  ",
             "--json  ", "--like DONOR  ", "--format RATE,BITS,CHANNELS[,float]\n", "--output DIR  "})
        EXPECT_NE(help.out.find(std::string("\n  ") + option), std::string::npos) << option;
    EXPECT_EQ(help.err, "");

    // After "--" even a name that looks like an option is a file.
    const ProgramRun literal = run({"--", "--touch"});
    EXPECT_EQ(literal.status, 2);
    EXPECT_EQ(literal.out, "--touch: file error (No such file or directory)\n");

    const ProgramRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "sonorix-repair 1.1\n");

    // run() names the canonical rule, which revives nothing.
    const std::vector<std::vector<std::string>> wrong = {{}, {"--dry-run"}, {"--fix", "a.wav"}, {"-x"},
        {"--any-layout", "a.wav"}, {"--like"}, {"--format", "8000,12,2", "a.wav"}, {"--format", "8000,16,2", "a.wav"},
        {"--output", "new", "a.wav"}};
    for (const std::vector<std::string>& args : wrong) {
        const ProgramRun result = run(args);
        EXPECT_EQ(result.status, 64);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("Usage: sonorix-repair"), std::string::npos);
    }
}

}

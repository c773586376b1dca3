#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

// The last bytes of every test file, up to 4096 of them after the header.
std::vector<unsigned char> tailOf(std::uint64_t size) {
    std::vector<unsigned char> tail(size > 44 ? std::min<std::uint64_t>(size - 44, 4096) : 0);
    for (std::size_t i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<unsigned char>(i ^ 0x5A);
    return tail;
}

class RealFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ready());
        // A modification time far in the past and an access time ahead of
        // every other time, so that reading the file does not move it.
        const std::int64_t now = timeNow();
        oldTimes.modified = now - 7000 * oneDay() + 1234567;
        oldTimes.accessed = now + oneDay() / 24 + 7654321;
    }

    // A sparse file of size bytes: the header (cut short for tiny sizes), a
    // hole, and the tail.
    std::string create(const std::string& leaf, const WaveHeader& header, std::uint64_t size) {
        const std::string path = dir.file(leaf.c_str());
        std::vector<unsigned char> head = bytesOf(header);
        head.resize(std::min<std::uint64_t>(size, 44));
        EXPECT_TRUE(writeSparseFile(path, head, size, tailOf(size)));
        EXPECT_TRUE(setTimes(path, oldTimes));
        return path;
    }

    void expectFile(const std::string& path, const WaveHeader& header, std::uint64_t size, bool timeKept = true) {
        FileTimes now;
        ASSERT_TRUE(readTimes(path, now));
        if (timeKept) {
            EXPECT_EQ(now.modified, oldTimes.modified);
        }
        EXPECT_EQ(now.accessed, oldTimes.accessed);
        EXPECT_EQ(fileSize(path), size);
        std::vector<unsigned char> head = bytesOf(header);
        head.resize(std::min<std::uint64_t>(size, 44));
        EXPECT_EQ(readRange(path, 0, 44), head);
        EXPECT_EQ(readRange(path, size - tailOf(size).size(), 4096), tailOf(size));
    }

    ScratchDir dir;
    FileTimes oldTimes;
    WaveRepairer repairer;
};

struct UntouchedCase {
    const char* name;
    WaveHeader header;
    std::uint64_t size;
    RepairResult result;
};

class UntouchedFileTest : public RealFileTest, public testing::WithParamInterface<UntouchedCase> {};

TEST_P(UntouchedFileTest, IsJudgedAndLeftAsItWas) {
    const UntouchedCase& c = GetParam();
    const std::string path = create("subject.wav", c.header, c.size);
    for (bool keepTime : {true, false})
        EXPECT_EQ(repairer.repair(path.c_str(), keepTime), c.result) << keepTime;
    expectFile(path, c.header, c.size);
}

INSTANTIATE_TEST_SUITE_P(Files, UntouchedFileTest,
    testing::Values(UntouchedCase{"empty", sampleHeader(36, 0), 0, FileError},
        UntouchedCase{"shorterThanTheHeader", sampleHeader(36, 0), 43, FileError},
        UntouchedCase{"bareHeader", sampleHeader(36, 0), 44, AlreadyValid},
        UntouchedCase{"sound", sampleHeader(1000036, 1000000), 1000044, AlreadyValid},
        UntouchedCase{"floatingPointWithRightSizes", patched(sampleHeader(1000036, 1000000), 20, 2, 3), 1000044,
            Unsupported},
        UntouchedCase{"twentyFourBits", patched(sampleHeader(36, 0), 34, 2, 24), 1000044, Unsupported},
        UntouchedCase{"notRiff", WaveHeader(), 1000044, Unsupported},
        UntouchedCase{"beyondTheLargest", sampleHeader(36, 0), 4 * GiB + 8, Unsupported},
        // Its fields hold exactly the low 32 bits of the right sizes.
        UntouchedCase{"beyondTheLargestAliased", sampleHeader(0, 0xFFFFFFE4u), 4 * GiB + 8, Unsupported},
        UntouchedCase{"sixteenGiBFloat", patched(sampleHeader(36, 0), 20, 2, 3), 16 * GiB, Unsupported}),
    [](const testing::TestParamInfo<UntouchedCase>& info) { return std::string(info.param.name); });

struct RepairCase {
    const char* name;
    std::uint64_t size;
    std::uint32_t riffSize;
    std::uint32_t dataSize;
};

class RepairedFileTest : public RealFileTest, public testing::WithParamInterface<RepairCase> {};

TEST_P(RepairedFileTest, ChangesOnlyTheSizeFieldsAndKeepsTheTimeOnlyWithKeepTime) {
    const RepairCase& c = GetParam();
    const WaveHeader cut = patched(sampleHeader(36, 7), 28, 4, 1);
    const WaveHeader fixed = patched(patched(cut, 4, 4, c.riffSize), 40, 4, c.dataSize);
    for (bool keepTime : {true, false}) {
        const std::string path = create("cut.wav", cut, c.size);
        const std::int64_t started = timeNow();
        // A failure code left by an earlier call must not pass for a failure
        // now (a size whose low half is all ones looks like one on Windows).
        leaveStaleError();
        EXPECT_EQ(repairer.repair(path.c_str(), keepTime), Repaired);
        expectFile(path, fixed, c.size, keepTime);
        FileTimes after;
        ASSERT_TRUE(readTimes(path, after));
        // File systems stamp with a coarser clock; allow it a second.
        if (!keepTime) {
            EXPECT_GE(after.modified, started - oneDay() / 86400);
        }
        EXPECT_EQ(repairer.repair(path.c_str(), keepTime), AlreadyValid);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, RepairedFileTest,
    testing::Values(RepairCase{"bareHeader", 44, 36, 0}, RepairCase{"recording", 1000044, 1000036, 1000000},
        RepairCase{"lowHalfAllOnes", 0xFFFFFFFFull, 0xFFFFFFF7u, 0xFFFFFFD3u},
        RepairCase{"largestThatFits", 4 * GiB + 7, 0xFFFFFFFFu, 0xFFFFFFDBu}),
    [](const testing::TestParamInfo<RepairCase>& info) { return std::string(info.param.name); });

TEST_F(RealFileTest, MissingFileOrDirectoryIsAFileError) {
    const std::string folder = dir.file("folder.wav");
    ASSERT_TRUE(makeDirectory(folder));
    for (const std::string& path : {dir.file("absent.wav"), folder}) {
        for (bool keepTime : {true, false})
            EXPECT_EQ(repairer.repair(path.c_str(), keepTime), FileError) << path;
    }
    FileTimes unused;
    EXPECT_FALSE(readTimes(dir.file("absent.wav"), unused));
}

TEST_F(RealFileTest, ReadOnlyFileIsAFileErrorEvenWhenSound) {
    for (std::uint32_t dataSize : {0u, 1000u}) {
        const WaveHeader header = sampleHeader(dataSize + 36, dataSize);
        const std::string path = create("readonly" + std::to_string(dataSize) + ".wav", header, 1044);
        ASSERT_TRUE(setReadOnly(path, true));
        if (!readOnlyKeepsWritersOut(path))
            GTEST_SKIP() << "this system lets writers into read-only files";
        for (bool keepTime : {true, false})
            EXPECT_EQ(repairer.repair(path.c_str(), keepTime), FileError) << dataSize;
        expectFile(path, header, 1044);
        ASSERT_TRUE(setReadOnly(path, false));
    }
}

class HeldFileTest : public RealFileTest, public testing::WithParamInterface<HeldFile::Kind> {};

TEST_P(HeldFileTest, FileHeldElsewhereIsAFileErrorUntilReleased) {
    const std::string path = create("held.wav", sampleHeader(36, 0), 1044);
    {
        HeldFile other(path, GetParam());
        ASSERT_TRUE(other.holding());
        for (bool keepTime : {true, false})
            EXPECT_EQ(repairer.repair(path.c_str(), keepTime), FileError);
    }
    expectFile(path, sampleHeader(36, 0), 1044);
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
}

INSTANTIATE_TEST_SUITE_P(Holders, HeldFileTest, testing::ValuesIn(holdKinds()));

TEST_F(RealFileTest, PathInTheAnsiCodePageIsPassedUnchanged) {
    // "表示.wav" in code page 932; the second byte of 表 is a backslash.
    const std::string path = dir.file("\x95\x5C\x8E\xA6.wav");
    if (!writeFile(path, bytesOf(sampleHeader(36, 0))))
        GTEST_SKIP() << "this system cannot store the name (host locale missing)";
    EXPECT_EQ(repairer.repair(path.c_str(), true), AlreadyValid);
    ASSERT_TRUE(writeFile(path, bytesOf(sampleHeader(36, 9))));
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
    EXPECT_EQ(readRange(path, 0, 100), bytesOf(sampleHeader(36, 0)));
}

}

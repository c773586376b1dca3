#include "FakeFileAccess.h"
#include "SampleHeader.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Step = FakeFileAccess::Step;

constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t recordingSize = 1000044;

std::string trace(const std::vector<Step>& steps)
{
    std::string text;
    for (Step step : steps) {
        if (!text.empty())
            text += ' ';
        text += stepName(step);
    }
    return text;
}

bool sameTime(const FileTime& a, const FileTime& b)
{
    return a.seconds == b.seconds && a.nanoseconds == b.nanoseconds;
}

FakeFileAccess cutRecording()
{
    return FakeFileAccess(bytesOf(sampleHeader(36, 0)), recordingSize);
}

TEST(RepairFlow, RepairsInTheOrderOfTheFileOperations)
{
    FakeFileAccess file = cutRecording();
    EXPECT_EQ(WaveRepairer().repair(file, "take.wav", true), Repaired);
    EXPECT_EQ(trace(file.calls), "open getTime getSize read seek write setTime close");
    EXPECT_EQ(file.openedPath, "take.wav");
    EXPECT_EQ(file.seeks, std::vector<std::uint32_t>{0});
    EXPECT_EQ(bytesOf(sampleHeader(1000036, 1000000)), file.head);
    EXPECT_TRUE(sameTime(file.lastWrite, FakeFileAccess::timeBefore));
    EXPECT_FALSE(file.isOpen());
}

TEST(RepairFlow, LeavesTheTimeToTheSystemWithoutKeepTime)
{
    FakeFileAccess file = cutRecording();
    EXPECT_EQ(WaveRepairer().repair(file, "take.wav", false), Repaired);
    EXPECT_EQ(trace(file.calls), "open getTime getSize read seek write close");
    EXPECT_TRUE(sameTime(file.lastWrite, FakeFileAccess::timeOfWrite));
}

TEST(RepairFlow, WritesBothFieldsWhenOnlyOneIsWrong)
{
    FakeFileAccess file(bytesOf(sampleHeader(1000036, 7)), recordingSize);
    EXPECT_EQ(WaveRepairer().repair(file, "take.wav", true), Repaired);
    ASSERT_EQ(file.transfers.size(), 2u);
    EXPECT_EQ(file.transfers[1].step, Step::Write);
    EXPECT_EQ(file.transfers[1].count, 44u);
    EXPECT_EQ(bytesOf(sampleHeader(1000036, 1000000)), file.head);
}

TEST(RepairFlow, SecondRunFindsTheRepairedFileSound)
{
    FakeFileAccess file = cutRecording();
    ASSERT_EQ(WaveRepairer().repair(file, "take.wav", false), Repaired);
    file.calls.clear();
    EXPECT_EQ(WaveRepairer().repair(file, "take.wav", false), AlreadyValid);
    EXPECT_EQ(trace(file.calls), "open getTime getSize read close");
}

TEST(RepairFlow, OneRepairerServesManyCalls)
{
    const WaveRepairer repairer;
    for (int i = 0; i < 3; ++i) {
        FakeFileAccess file = cutRecording();
        EXPECT_EQ(repairer.repair(file, "take.wav", true), Repaired);
    }
}

TEST(RepairFlow, WritesBackUntestedFieldsUnchanged)
{
    WaveHeader odd = sampleHeader(36, 0);
    odd = patched(odd, 16, 4, 18);
    odd = patched(odd, 28, 4, 1);
    odd = patched(odd, 32, 2, 9);
    FakeFileAccess file(bytesOf(odd), recordingSize);
    EXPECT_EQ(WaveRepairer().repair(file, "odd.wav", true), Repaired);
    WaveHeader expected = odd;
    expected.setRiffSize(1000036);
    expected.setDataSize(1000000);
    EXPECT_EQ(bytesOf(expected), file.head);
}

struct UntouchedCase {
    const char* name;
    WaveHeader header;
    std::uint64_t size;
    RepairResult result;
};

class UntouchedTest : public testing::TestWithParam<UntouchedCase> {};

TEST_P(UntouchedTest, ClosesWithoutWritingOrSeeking)
{
    const UntouchedCase& c = GetParam();
    for (bool keepTime : {true, false}) {
        FakeFileAccess file(bytesOf(c.header), c.size);
        EXPECT_EQ(WaveRepairer().repair(file, "x.wav", keepTime), c.result);
        EXPECT_EQ(trace(file.calls), "open getTime getSize read close");
        EXPECT_EQ(bytesOf(c.header), file.head);
        EXPECT_TRUE(sameTime(file.lastWrite, FakeFileAccess::timeBefore));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, UntouchedTest, testing::Values(
    UntouchedCase{"sound", sampleHeader(1000036, 1000000), recordingSize, AlreadyValid},
    UntouchedCase{"bareHeader", sampleHeader(36, 0), 44, AlreadyValid},
    UntouchedCase{"floatingPoint", patched(sampleHeader(36, 0), 20, 2, 3), recordingSize, Unsupported},
    UntouchedCase{"floatingPointWithRightSizes", patched(sampleHeader(1000036, 1000000), 20, 2, 3), recordingSize, Unsupported},
    UntouchedCase{"beyondFourGiBPlus7", sampleHeader(36, 0), 4 * GiB + 8, Unsupported},
    UntouchedCase{"sixteenGiB", sampleHeader(36, 0), 16 * GiB, Unsupported},
    UntouchedCase{"sixteenGiBOtherKind", patched(sampleHeader(36, 0), 22, 2, 6), 16 * GiB, Unsupported}),
    [](const testing::TestParamInfo<UntouchedCase>& info) { return std::string(info.param.name); });

// Each row fails one step of a repair with keepTime and states what the caller
// gets and what the file holds afterwards.
struct FailureCase {
    const char* name;
    Step step;
    bool outright;              // fails, rather than coming up short
    std::uint32_t moved;        // bytes a short transfer or a failing write moves
    const char* calls;
    bool headerRewritten;
    bool timeOfWrite;
};

class FailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(FailureTest, ReportsFileErrorAndClosesWhatItOpened)
{
    const FailureCase& c = GetParam();
    FakeFileAccess file = cutRecording();
    if (c.outright) {
        file.failing = true;
        file.failAt = c.step;
        file.writtenBeforeFailure = c.moved;
    } else {
        file.shortening = true;
        file.shortAt = c.step;
        file.shortCount = c.moved;
    }
    const std::vector<unsigned char> before = file.head;

    EXPECT_EQ(WaveRepairer().repair(file, "take.wav", true), FileError);

    EXPECT_EQ(trace(file.calls), c.calls);
    EXPECT_FALSE(file.isOpen());
    if (c.headerRewritten) {
        EXPECT_EQ(bytesOf(sampleHeader(1000036, 1000000)), file.head);
    } else if (c.step == Step::Write) {
        std::vector<unsigned char> partly = before;
        const std::vector<unsigned char> repaired = bytesOf(sampleHeader(1000036, 1000000));
        std::copy(repaired.begin(), repaired.begin() + c.moved, partly.begin());
        EXPECT_EQ(partly, file.head);
    } else {
        EXPECT_EQ(before, file.head);
    }
    const FileTime expected = c.timeOfWrite ? FakeFileAccess::timeOfWrite : FakeFileAccess::timeBefore;
    EXPECT_TRUE(sameTime(file.lastWrite, expected));
}

INSTANTIATE_TEST_SUITE_P(Steps, FailureTest, testing::Values(
    FailureCase{"open", Step::Open, true, 0, "open", false, false},
    FailureCase{"getTime", Step::GetTime, true, 0, "open getTime close", false, false},
    FailureCase{"getSize", Step::GetSize, true, 0, "open getTime getSize close", false, false},
    FailureCase{"read", Step::Read, true, 0, "open getTime getSize read close", false, false},
    FailureCase{"shortRead", Step::Read, false, 43, "open getTime getSize read close", false, false},
    FailureCase{"emptyRead", Step::Read, false, 0, "open getTime getSize read close", false, false},
    FailureCase{"seek", Step::Seek, true, 0, "open getTime getSize read seek close", false, false},
    FailureCase{"write", Step::Write, true, 0, "open getTime getSize read seek write close", false, false},
    FailureCase{"writeAfterTornBytes", Step::Write, true, 6, "open getTime getSize read seek write close", false, true},
    FailureCase{"shortWriteReportedAsSuccess", Step::Write, false, 43, "open getTime getSize read seek write close", false, true},
    FailureCase{"setTime", Step::SetTime, true, 0, "open getTime getSize read seek write setTime close", true, true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(RepairFlow, FileShorterThanTheHeaderIsAFileError)
{
    for (std::uint64_t size : {0ull, 1ull, 4ull, 43ull}) {
        std::vector<unsigned char> head(bytesOf(sampleHeader(36, 0)));
        head.resize(size);
        FakeFileAccess file(head, size);
        EXPECT_EQ(WaveRepairer().repair(file, "short.wav", true), FileError) << size;
        EXPECT_EQ(trace(file.calls), "open getTime getSize read close") << size;
        EXPECT_EQ(head, file.head) << size;
    }
}

class SizeIndependenceTest : public testing::TestWithParam<std::uint64_t> {};

TEST_P(SizeIndependenceTest, TouchesNoByteBeyondTheHeader)
{
    const std::uint64_t size = GetParam();
    FakeFileAccess file = FakeFileAccess(bytesOf(sampleHeader(36, 0)), size);
    const RepairResult result = WaveRepairer().repair(file, "big.wav", true);
    EXPECT_EQ(result, size <= WaveRepairer::largestFileSize ? Repaired : Unsupported);
    ASSERT_FALSE(file.transfers.empty());
    for (const FakeFileAccess::Transfer& t : file.transfers) {
        EXPECT_EQ(t.offset, 0u) << stepName(t.step);
        EXPECT_LE(t.offset + t.count, WaveHeader::size) << stepName(t.step);
    }
    EXPECT_EQ(file.transfers.size(), result == Repaired ? 2u : 1u);
    EXPECT_EQ(file.size, size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeIndependenceTest, testing::Values(
    45ull, 1ull << 20, 1ull << 30, 4 * GiB + 7, 4 * GiB + 8, 16 * GiB));

class SeekTest : public testing::Test {
protected:
    FakeFileAccess file = cutRecording();
    WaveRepairer repairer;
};

TEST_F(SeekTest, RefusesAFileThatIsNotOpenWithoutCallingTheSystem)
{
    EXPECT_FALSE(repairer.seekTo(file, 0));
    EXPECT_TRUE(file.seeks.empty());
}

TEST_F(SeekTest, RefusesOffsetsOutsideTheUnsigned32BitRange)
{
    ASSERT_TRUE(file.open("x"));
    for (std::int64_t offset : {-1ll, -4294967296ll, 4294967296ll, 0x7FFFFFFFFFFFFFFFll})
        EXPECT_FALSE(repairer.seekTo(file, offset)) << offset;
    EXPECT_TRUE(file.seeks.empty());
}

TEST_F(SeekTest, PassesOffsetsInRangeToTheFile)
{
    ASSERT_TRUE(file.open("x"));
    EXPECT_TRUE(repairer.seekTo(file, 0));
    EXPECT_TRUE(repairer.seekTo(file, 44));
    EXPECT_TRUE(repairer.seekTo(file, 0xFFFFFFFFll));
    EXPECT_EQ(file.seeks, (std::vector<std::uint32_t>{0, 44, 0xFFFFFFFFu}));
}

TEST_F(SeekTest, ReportsTheFilesFailure)
{
    ASSERT_TRUE(file.open("x"));
    file.failing = true;
    file.failAt = Step::Seek;
    EXPECT_FALSE(repairer.seekTo(file, 0));
}

}

namespace {

TEST(Inspection, JudgesLikeARepairWithoutSeekingOrWriting)
{
    struct Case {
        WaveHeader header;
        std::uint64_t size;
        RepairResult result;
    };
    const Case cases[] = {
        {sampleHeader(36, 0), recordingSize, Repaired},
        {sampleHeader(1000036, 1000000), recordingSize, AlreadyValid},
        {patched(sampleHeader(36, 0), 34, 2, 24), recordingSize, Unsupported},
        {sampleHeader(36, 0), 16 * GiB, Unsupported},
    };
    for (const Case& c : cases) {
        FakeFileAccess file(bytesOf(c.header), c.size);
        RepairFindings findings;
        EXPECT_EQ(WaveRepairer().inspect(file, "x.wav", findings), c.result);
        EXPECT_EQ(trace(file.calls), "open getTime getSize read close");
        EXPECT_EQ(bytesOf(c.header), file.head);
        EXPECT_EQ(bytesOf(findings.header), bytesOf(c.header));
        EXPECT_EQ(findings.fileSize, c.size);
    }
}

TEST(Inspection, FailsWhereARepairWould)
{
    for (Step step : {Step::Open, Step::GetTime, Step::GetSize, Step::Read}) {
        FakeFileAccess file = cutRecording();
        file.failing = true;
        file.failAt = step;
        RepairFindings findings;
        EXPECT_EQ(WaveRepairer().inspect(file, "x.wav", findings), FileError) << stepName(step);
        EXPECT_FALSE(file.isOpen());
    }
}

TEST(RepairFindingsOut, HoldTheHeaderAsReadAndTheSize)
{
    FakeFileAccess file = cutRecording();
    RepairFindings findings;
    EXPECT_EQ(WaveRepairer().repair(file, "x.wav", true, findings), Repaired);
    EXPECT_EQ(bytesOf(findings.header), bytesOf(sampleHeader(36, 0)));
    EXPECT_EQ(findings.fileSize, recordingSize);
}

}

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
const char* const judgedOnly = "open getTime getSize read close";

std::string trace(const std::vector<Step>& steps) {
    std::string text;
    for (Step step : steps)
        text += (text.empty() ? "" : " ") + std::string(stepName(step));
    return text;
}

FakeFileAccess cutRecording() {
    return FakeFileAccess(bytesOf(sampleHeader(36, 0)), recordingSize);
}

TEST(RepairFlow, RewritesTheWholeHeaderInOrderAndRestoresTheTimeOnlyWithKeepTime) {
    WaveHeader odd = patched(patched(sampleHeader(1000036, 7), 16, 4, 18), 32, 2, 9);
    for (bool keepTime : {true, false}) {
        FakeFileAccess file(bytesOf(odd), recordingSize);
        RepairFindings findings;
        EXPECT_EQ(WaveRepairer().repair(file, "take.wav", keepTime, findings), Repaired);
        EXPECT_EQ(trace(file.calls),
            keepTime ? "open getTime getSize read seek write setTime close"
                     : "open getTime getSize read seek write close");
        EXPECT_EQ(file.openedPath, "take.wav");
        EXPECT_EQ(file.seeks, std::vector<std::uint32_t>{0});
        EXPECT_EQ(bytesOf(patched(patched(odd, 4, 4, 1000036), 40, 4, 1000000)), file.head);
        EXPECT_TRUE(sameTime(file.lastWrite, keepTime ? FakeFileAccess::timeBefore : FakeFileAccess::timeOfWrite));
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(bytesOf(findings.header), bytesOf(odd));
        EXPECT_EQ(findings.fileSize, recordingSize);

        file.calls.clear();
        EXPECT_EQ(WaveRepairer().repair(file, "take.wav", keepTime), AlreadyValid);
        EXPECT_EQ(trace(file.calls), judgedOnly);
    }
}

// Files a repair must judge and close without seeking or writing; inspection
// gives the same answer.
struct UntouchedCase {
    const char* name;
    WaveHeader header;
    std::uint64_t size;
    RepairResult result;
};

class UntouchedTest : public testing::TestWithParam<UntouchedCase> {};

TEST_P(UntouchedTest, ClosesWithoutWritingOrSeeking) {
    const UntouchedCase& c = GetParam();
    for (int mode = 0; mode < 3; ++mode) {
        FakeFileAccess file(bytesOf(c.header), c.size);
        RepairFindings findings;
        const RepairResult result = mode == 2 ? WaveRepairer().inspect(file, "x.wav", findings)
                                              : WaveRepairer().repair(file, "x.wav", mode == 0, findings);
        EXPECT_EQ(result, c.result) << mode;
        EXPECT_EQ(trace(file.calls), judgedOnly) << mode;
        EXPECT_EQ(bytesOf(c.header), file.head) << mode;
        EXPECT_TRUE(sameTime(file.lastWrite, FakeFileAccess::timeBefore)) << mode;
        EXPECT_EQ(findings.fileSize, c.size) << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, UntouchedTest,
    testing::Values(UntouchedCase{"sound", sampleHeader(1000036, 1000000), recordingSize, AlreadyValid},
        UntouchedCase{"bareHeader", sampleHeader(36, 0), 44, AlreadyValid},
        UntouchedCase{"floatingPointWithRightSizes", patched(sampleHeader(1000036, 1000000), 20, 2, 3), recordingSize,
            Unsupported},
        UntouchedCase{"beyondFourGiBPlus7", sampleHeader(36, 0), 4 * GiB + 8, Unsupported},
        UntouchedCase{"sixteenGiBOtherKind", patched(sampleHeader(36, 0), 22, 2, 6), 16 * GiB, Unsupported},
        UntouchedCase{"shorterThanTheHeader", sampleHeader(36, 0), 43, FileError},
        UntouchedCase{"empty", sampleHeader(36, 0), 0, FileError}),
    [](const testing::TestParamInfo<UntouchedCase>& info) { return std::string(info.param.name); });

TEST(Inspection, FindsARepairWithoutSeekingOrWriting) {
    FakeFileAccess file = cutRecording();
    RepairFindings findings;
    EXPECT_EQ(WaveRepairer().inspect(file, "x.wav", findings), Repaired);
    EXPECT_EQ(trace(file.calls), judgedOnly);
    EXPECT_EQ(bytesOf(sampleHeader(36, 0)), file.head);
    EXPECT_EQ(bytesOf(findings.header), bytesOf(sampleHeader(36, 0)));
}

// Each row fails one step of a repair with keepTime and states what the caller
// gets and what the file holds afterwards.
struct FailureCase {
    const char* name;
    Step step;
    bool outright; // fails, rather than coming up short
    std::uint32_t moved; // bytes a short transfer or a failing write moves
    const char* calls;
    bool headerRewritten;
    bool timeOfWrite;
};

class FailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(FailureTest, ReportsFileErrorAndClosesWhatItOpened) {
    const FailureCase& c = GetParam();
    FakeFileAccess file = cutRecording();
    (c.outright ? file.failAt : file.shortAt) = c.step;
    file.writtenBeforeFailure = c.moved;
    file.shortCount = c.moved;
    std::vector<unsigned char> expected = file.head;
    const std::vector<unsigned char> repaired = bytesOf(sampleHeader(1000036, 1000000));
    std::copy(repaired.begin(),
        repaired.begin()
            + (c.headerRewritten            ? 44
                    : c.step == Step::Write ? c.moved
                                            : 0),
        expected.begin());

    EXPECT_EQ(WaveRepairer().repair(file, "take.wav", true), FileError);
    EXPECT_EQ(trace(file.calls), c.calls);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(expected, file.head);
    EXPECT_TRUE(sameTime(file.lastWrite, c.timeOfWrite ? FakeFileAccess::timeOfWrite : FakeFileAccess::timeBefore));

    // Inspection reads as far as the read and fails the same way there.
    if (c.step == Step::Open || c.step == Step::GetTime || c.step == Step::GetSize || c.step == Step::Read) {
        FakeFileAccess again = cutRecording();
        (c.outright ? again.failAt : again.shortAt) = c.step;
        again.shortCount = c.moved;
        RepairFindings findings;
        EXPECT_EQ(WaveRepairer().inspect(again, "take.wav", findings), FileError);
        EXPECT_EQ(trace(again.calls), c.calls);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, FailureTest,
    testing::Values(FailureCase{"open", Step::Open, true, 0, "open", false, false},
        FailureCase{"getTime", Step::GetTime, true, 0, "open getTime close", false, false},
        FailureCase{"getSize", Step::GetSize, true, 0, "open getTime getSize close", false, false},
        FailureCase{"read", Step::Read, true, 0, judgedOnly, false, false},
        FailureCase{"shortRead", Step::Read, false, 43, judgedOnly, false, false},
        FailureCase{"emptyRead", Step::Read, false, 0, judgedOnly, false, false},
        FailureCase{"seek", Step::Seek, true, 0, "open getTime getSize read seek close", false, false},
        FailureCase{"write", Step::Write, true, 0, "open getTime getSize read seek write close", false, false},
        FailureCase{"writeAfterTornBytes", Step::Write, true, 6, "open getTime getSize read seek write close", false,
            true},
        FailureCase{"shortWriteReportedAsSuccess", Step::Write, false, 43, "open getTime getSize read seek write close",
            false, true},
        FailureCase{"setTime", Step::SetTime, true, 0, "open getTime getSize read seek write setTime close", true,
            true},
        FailureCase{"closeAfterTheRewrite", Step::Close, true, 0, "open getTime getSize read seek write setTime close",
            true, false}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(SeekTo, PassesOnlyUnsigned32BitOffsetsOnAnOpenFile) {
    FakeFileAccess file = cutRecording();
    const WaveRepairer repairer;
    EXPECT_FALSE(repairer.seekTo(file, 0));
    ASSERT_TRUE(file.open("x"));
    for (std::int64_t offset : {-1ll, -4294967296ll, 4294967296ll, 0x7FFFFFFFFFFFFFFFll})
        EXPECT_FALSE(repairer.seekTo(file, offset)) << offset;
    EXPECT_TRUE(file.seeks.empty());
    for (std::int64_t offset : {0ll, 44ll, 0xFFFFFFFFll})
        EXPECT_TRUE(repairer.seekTo(file, offset)) << offset;
    EXPECT_EQ(file.seeks, (std::vector<std::uint32_t>{0, 44, 0xFFFFFFFFu}));
    file.failAt = Step::Seek;
    EXPECT_FALSE(repairer.seekTo(file, 0));
}

}

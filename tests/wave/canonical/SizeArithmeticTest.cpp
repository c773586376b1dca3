#include "SampleHeader.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

// For AlreadyValid rows the two fields are the ones a file of that size calls
// for, so they are also what setSizes must store.
struct SizeCase {
    const char* name;
    std::uint64_t fileSize;
    std::uint32_t riffSize;
    std::uint32_t dataSize;
    RepairResult verdict;
};

class SizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeTest, ComparesBothFieldsWithTheFileSizeIn64Bits) {
    const SizeCase& c = GetParam();
    const WaveRepairer repairer;
    EXPECT_EQ(repairer.assess(sampleHeader(c.riffSize, c.dataSize), c.fileSize), c.verdict);
    if (c.verdict != Repaired && c.verdict != AlreadyValid)
        return;
    WaveHeader header = patched(sampleHeader(0, 7), 28, 4, 12345);
    repairer.setSizes(header, c.fileSize);
    EXPECT_EQ(repairer.assess(header, c.fileSize), AlreadyValid);
    if (c.verdict == AlreadyValid) {
        EXPECT_EQ(bytesOf(header), bytesOf(patched(sampleHeader(c.riffSize, c.dataSize), 28, 4, 12345)));
    }
}

const SizeCase sizeCases[] = {
    {"bareHeaderRight", 44, 36, 0, AlreadyValid},
    {"bareHeaderWrong", 44, 0, 0, Repaired},
    {"cutRecording", 1000044, 36, 0, Repaired},
    {"soundRecording", 1000044, 1000036, 1000000, AlreadyValid},
    {"onlyRiffSizeWrong", 1000044, 1000035, 1000000, Repaired},
    {"onlyDataSizeWrong", 1000044, 1000036, 999999, Repaired},
    {"sizesSwapped", 1000044, 1000000, 1000036, Repaired},
    {"trailingChunkCountsAsData", 1000044 + 26, 1000036 + 26, 1000000, Repaired},
    {"lowHalfAllOnes", 0xFFFFFFFFull, 0xFFFFFFF7u, 0xFFFFFFD3u, AlreadyValid},
    {"largestThatFitsRight", 4 * GiB + 7, 0xFFFFFFFFu, 0xFFFFFFDBu, AlreadyValid},
    {"largestThatFitsWrong", 4 * GiB + 7, 36, 0, Repaired},
    {"oneBeyondTheLargest", 4 * GiB + 8, 36, 0, Unsupported},
    // The low 32 bits of S - 8 and S - 44 are exactly what this header holds;
    // only a full-width comparison sees that it is not sound.
    {"beyondTheLargestAliasesSoundSizes", 4 * GiB + 8, 0, 0xFFFFFFE4u, Unsupported},
    {"sixteenGiBAliasing", 16 * GiB + 44, 36, 0, Unsupported},
    {"sizeBelowTheHeader", 43, 35, 0, FileError},
    {"emptyBySize", 0, 0xFFFFFFF8u, 0xFFFFFFD4u, FileError},
};

INSTANTIATE_TEST_SUITE_P(Sizes, SizeTest, testing::ValuesIn(sizeCases),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(SizeVerdict, HeaderTestComesBeforeTheSizes) {
    const WaveHeader floatHeader = patched(sampleHeader(1000036, 1000000), 20, 2, 3);
    for (std::uint64_t size : {std::uint64_t(1000044), 16 * GiB, std::uint64_t(12)})
        EXPECT_EQ(WaveRepairer().assess(floatHeader, size), Unsupported) << size;
}

}

#include "ChunkBytes.h"
#include "ProgramRun.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

// RIFF, then JUNK with room for ds64 (12), 16-bit stereo at 8000 Hz (48),
// LIST (72) and the data chunk's header (106; payload 114).
Bytes layoutHead(std::uint32_t riffSize, std::uint32_t dataSize, std::uint16_t formatTag = 1,
    const Bytes& first = chunk("JUNK", 28, Bytes(28, 0)), const char* form = "RIFF") {
    return waveHead(form, riffSize,
        first + fmtChunk(formatTag, 2, 16)
            + chunk("LIST", 26, text("INFOISFT") + le(14, 4) + text("a writer here") + Bytes(1, 0))
            + chunk("data", dataSize));
}

Bytes firstBytes(const Bytes& bytes, std::size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + count);
}

class AnyLayoutCommandTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ready());
        times.modified = timeNow() - 30 * oneDay() + 222;
        times.accessed = times.modified - 10 * oneDay() + 111;
    }

    std::string create(const Bytes& head, std::uint64_t size, const Bytes& tail = {}) {
        const std::string path = dir.file("take.wav");
        EXPECT_TRUE(writeSparseFile(path, head, size, tail));
        EXPECT_TRUE(setTimes(path, times));
        return path;
    }

    void expectFile(const std::string& path, const Bytes& head, std::uint64_t size) {
        FileTimes now;
        ASSERT_TRUE(readTimes(path, now));
        EXPECT_EQ(now.modified, times.modified);
        EXPECT_EQ(now.accessed, times.accessed);
        EXPECT_EQ(readRange(path, 0, static_cast<std::uint32_t>(head.size())), head);
        EXPECT_EQ(fileSize(path), size);
    }

    ProgramRun run(const std::vector<std::string>& args) { return runProgram(repairProgram(), args); }

    ScratchDir dir;
    FileTimes times;
};

TEST_F(AnyLayoutCommandTest, RepairsByDefaultALayoutTheCanonicalRuleRefusesAndTheDryRunForetellsIt) {
    const std::string path = create(layoutHead(0, 0), 114 + 1001);
    EXPECT_EQ(run({"--canonical", path}).out,
        path + ": unsupported format (the format chunk does not come first; without --canonical it is repaired)\n");
    const ProgramRun dry = run({"--dry-run", path});
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(dry.out, path + ": would be repaired\n");
    expectFile(path, layoutHead(0, 0), 1115);

    const ProgramRun repair = run({path});
    EXPECT_EQ(repair.status, 0);
    EXPECT_EQ(repair.out, path + ": repaired\n");
    EXPECT_EQ(repair.err, "");
    expectFile(path, layoutHead(1107, 1001), 1115);
    EXPECT_EQ(run({"--any-layout", "--dry-run", path}).out, path + ": already sound\n");
}

TEST_F(AnyLayoutCommandTest, ARiffFileTooLargeBecomesRf64WhereJunkLeavesRoom) {
    const std::uint64_t size = 5 * GiB + 3;
    const std::string path = create(layoutHead(0, 0), size, {0x12, 0x34});
    const ProgramRun result = run({"--any-layout", path});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, path + ": repaired\n");
    const Bytes ds64 = chunk("ds64", 28, le(size - 8, 8) + le(size - 114, 8) + le((size - 114) / 4, 8) + le(0, 4));
    const Bytes rf64 = layoutHead(allOnes, allOnes, 1, ds64, "RF64");
    expectFile(path, rf64, size);
    EXPECT_EQ(readRange(path, size - 2, 2), (Bytes{0x12, 0x34}));
}

// Refusals name their reason, leave the file as it was and exit with 1 for
// a format and 2 for a file error, in both modes.
struct RefusalCase {
    const char* name;
    Bytes head;
    std::uint64_t size;
    Bytes tail;
    int status;
    const char* line;
};

class AnyLayoutRefusalTest : public AnyLayoutCommandTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(AnyLayoutRefusalTest, NamesTheReasonAndLeavesTheFile) {
    const RefusalCase& c = GetParam();
    const std::string path = create(c.head, c.size, c.tail);
    for (const char* option : {"--touch", "--dry-run"}) {
        const ProgramRun result = run({"--any-layout", option, path});
        EXPECT_EQ(result.status, c.status) << option;
        EXPECT_EQ(result.out, path + ": " + c.line + "\n") << option;
    }
    expectFile(path, c.head, c.size);
}

INSTANTIATE_TEST_SUITE_P(Files, AnyLayoutRefusalTest,
    testing::Values(RefusalCase{"compressed", layoutHead(0, 0, 2), 2000, {}, 1,
                        "unsupported format (compressed or unknown format 0x0002)"},
        RefusalCase{"chunkBeforeDataCut", firstBytes(layoutHead(0, 0), 90), 90, {}, 1,
            "unsupported format (the 'LIST' chunk at offset 72 runs past the end of the file)"},
        RefusalCase{"cutChunkAfterWholeData", layoutHead(2000, 100), 226, text("LIST") + le(50, 4) + text("INFO"), 1,
            "unsupported format (a damaged or cut chunk at offset 214 after the whole data chunk)"},
        RefusalCase{"tooLargeWithoutRoom", layoutHead(0, 0, 1, {}), 4 * GiB + 8, {}, 1,
            "unsupported format (larger than 4 GiB + 7 bytes, with no JUNK chunk after WAVE to become ds64)"},
        RefusalCase{"shorterThanRiff", text("RIFF"), 4, {}, 2, "file error (shorter than the 12-byte RIFF header)"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

}

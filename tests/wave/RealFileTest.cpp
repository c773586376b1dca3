#include "SampleHeader.h"
#include "ScratchFiles.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

std::vector<unsigned char> recording(const WaveHeader& header, std::size_t samples)
{
    std::vector<unsigned char> bytes = bytesOf(header);
    for (std::size_t i = 0; i < samples; ++i)
        bytes.push_back(static_cast<unsigned char>(i * 7 + 3));
    return bytes;
}

std::vector<unsigned char> tailPattern()
{
    std::vector<unsigned char> tail(4096);
    for (std::size_t i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<unsigned char>(i ^ 0x5A);
    return tail;
}

const char* kindName(HeldFile::Kind kind)
{
    switch (kind) {
    case HeldFile::Kind::ReadHandle: return "another handle open for reading";
    case HeldFile::Kind::WriteHandle: return "another handle open for writing";
    case HeldFile::Kind::FlockShared: return "flock shared";
    case HeldFile::Kind::FlockExclusive: return "flock exclusive";
    case HeldFile::Kind::FcntlRead: return "fcntl read lock";
    case HeldFile::Kind::FcntlWrite: return "fcntl write lock";
    }
    return "?";
}

class RealFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.ready());
        // A modification time far in the past and an access time ahead of
        // every other time, so that reading the file does not move it.
        const std::int64_t now = timeNow();
        oldTimes.modified = now - 7000 * oneDay() + 1234567;
        oldTimes.accessed = now + oneDay() / 24 + 7654321;
    }

    std::string create(const char* leaf, const std::vector<unsigned char>& bytes)
    {
        const std::string path = dir.file(leaf);
        EXPECT_TRUE(writeFile(path, bytes));
        EXPECT_TRUE(setTimes(path, oldTimes));
        return path;
    }

    std::string createSparse(const char* leaf, const WaveHeader& header, std::uint64_t size)
    {
        const std::string path = dir.file(leaf);
        EXPECT_TRUE(writeSparseFile(path, bytesOf(header), size, tailPattern()));
        EXPECT_TRUE(setTimes(path, oldTimes));
        return path;
    }

    static FileTimes timesOf(const std::string& path)
    {
        FileTimes times;
        EXPECT_TRUE(readTimes(path, times));
        return times;
    }

    void expectTimes(const std::string& path, std::int64_t modified)
    {
        const FileTimes now = timesOf(path);
        EXPECT_EQ(now.modified, modified);
        EXPECT_EQ(now.accessed, oldTimes.accessed);
    }

    void expectUntouched(const std::string& path, const std::vector<unsigned char>& bytes)
    {
        expectTimes(path, oldTimes.modified);
        EXPECT_EQ(readFile(path), bytes);
    }

    void expectSparseUntouched(const std::string& path, const WaveHeader& header, std::uint64_t size)
    {
        expectTimes(path, oldTimes.modified);
        EXPECT_EQ(fileSize(path), size);
        EXPECT_EQ(readRange(path, 0, 44), bytesOf(header));
        EXPECT_EQ(readRange(path, size - 4096, 4096), tailPattern());
    }

    ScratchDir dir;
    FileTimes oldTimes;
    WaveRepairer repairer;
};

TEST_F(RealFileTest, MissingFileIsAFileError)
{
    const std::string path = dir.file("absent.wav");
    EXPECT_EQ(repairer.repair(path.c_str(), true), FileError);
    FileTimes unused;
    EXPECT_FALSE(readTimes(path, unused));
}

TEST_F(RealFileTest, DirectoryIsAFileError)
{
    const std::string path = dir.file("folder.wav");
    ASSERT_TRUE(makeDirectory(path));
    EXPECT_EQ(repairer.repair(path.c_str(), true), FileError);
    EXPECT_EQ(repairer.repair(path.c_str(), false), FileError);
}

TEST_F(RealFileTest, FileShorterThanTheHeaderIsAFileErrorAndUntouched)
{
    const std::vector<unsigned char> full = bytesOf(sampleHeader(36, 0));
    for (std::size_t size : {std::size_t(0), std::size_t(4), std::size_t(43)}) {
        const std::vector<unsigned char> bytes(full.begin(), full.begin() + size);
        const std::string path = create(("short" + std::to_string(size) + ".wav").c_str(), bytes);
        EXPECT_EQ(repairer.repair(path.c_str(), true), FileError) << size;
        expectUntouched(path, bytes);
    }
}

struct KindCase {
    const char* name;
    WaveHeader header;
};

class OtherKindTest : public RealFileTest, public testing::WithParamInterface<KindCase> {};

TEST_P(OtherKindTest, IsUnsupportedAndUntouched)
{
    const std::vector<unsigned char> bytes = recording(GetParam().header, 1000);
    for (bool keepTime : {true, false}) {
        const std::string path = create(keepTime ? "kept.wav" : "touched.wav", bytes);
        EXPECT_EQ(repairer.repair(path.c_str(), keepTime), Unsupported);
        expectUntouched(path, bytes);
    }
}

WaveHeader withListChunk()
{
    WaveHeader header = sampleHeader(36, 0);
    header.bytes[36] = 'L';
    header.bytes[37] = 'I';
    header.bytes[38] = 'S';
    header.bytes[39] = 'T';
    return header;
}

INSTANTIATE_TEST_SUITE_P(Headers, OtherKindTest, testing::Values(
    KindCase{"floatingPoint", patched(sampleHeader(36, 0), 20, 2, 3)},
    KindCase{"floatingPointWithRightSizes", patched(sampleHeader(1036, 1000), 20, 2, 3)},
    KindCase{"threeChannels", patched(sampleHeader(36, 0), 22, 2, 3)},
    KindCase{"twentyFourBits", patched(sampleHeader(36, 0), 34, 2, 24)},
    KindCase{"noSampleRate", patched(sampleHeader(36, 0), 24, 4, 0)},
    KindCase{"listChunkBeforeData", withListChunk()},
    KindCase{"notRiff", WaveHeader()}),
    [](const testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

TEST_F(RealFileTest, SoundFileIsAlreadyValidAndUntouched)
{
    for (std::size_t samples : {std::size_t(0), std::size_t(1000000)}) {
        const std::uint32_t dataSize = static_cast<std::uint32_t>(samples);
        const std::vector<unsigned char> bytes = recording(sampleHeader(dataSize + 36, dataSize), samples);
        for (bool keepTime : {true, false}) {
            const std::string path = create("sound.wav", bytes);
            EXPECT_EQ(repairer.repair(path.c_str(), keepTime), AlreadyValid) << samples;
            expectUntouched(path, bytes);
        }
    }
}

TEST_F(RealFileTest, RepairChangesOnlyTheTwoSizeFieldsAndKeepsTheTime)
{
    const std::vector<unsigned char> before = recording(sampleHeader(36, 0), 1000000);
    const std::string path = create("cut.wav", before);

    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);

    expectTimes(path, oldTimes.modified);
    std::vector<unsigned char> expected = before;
    const std::vector<unsigned char> fixed = bytesOf(sampleHeader(1000036, 1000000));
    std::copy(fixed.begin(), fixed.end(), expected.begin());
    const std::vector<unsigned char> after = readFile(path);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool sizeField = (i >= 4 && i < 8) || (i >= 40 && i < 44);
        if (!sizeField) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(after, expected);

    EXPECT_EQ(repairer.repair(path.c_str(), true), AlreadyValid);
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(RealFileTest, RepairWithoutKeepTimeLetsTheWriteSetTheTime)
{
    const std::vector<unsigned char> before = recording(sampleHeader(1000036, 7), 1000000);
    const std::string path = create("cut.wav", before);
    const std::int64_t started = timeNow();

    EXPECT_EQ(repairer.repair(path.c_str(), false), Repaired);

    const FileTimes after = timesOf(path);
    // File systems stamp with a coarser clock; allow it a second.
    EXPECT_GE(after.modified, started - oneDay() / 86400);
    EXPECT_EQ(after.accessed, oldTimes.accessed);
    EXPECT_EQ(readFile(path), recording(sampleHeader(1000036, 1000000), 1000000));
}

TEST_F(RealFileTest, TrailingChunksAreCountedAsSampleData)
{
    std::vector<unsigned char> bytes = recording(sampleHeader(1036, 1000), 1000);
    const unsigned char listChunk[] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    bytes.insert(bytes.end(), listChunk, listChunk + sizeof listChunk);
    const std::string path = create("tagged.wav", bytes);
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
    EXPECT_EQ(readRange(path, 0, 44), bytesOf(sampleHeader(1048, 1012)));
}

TEST_F(RealFileTest, ReadOnlyFileIsAFileErrorEvenWhenSound)
{
    for (std::uint32_t dataSize : {0u, 1000u}) {
        const std::vector<unsigned char> bytes = recording(sampleHeader(dataSize + 36, dataSize), 1000);
        const std::string path = create(dataSize == 0 ? "cut.wav" : "sound.wav", bytes);
        ASSERT_TRUE(setReadOnly(path, true));
        if (!readOnlyKeepsWritersOut(path))
            GTEST_SKIP() << "this system lets writers into read-only files";
        EXPECT_EQ(repairer.repair(path.c_str(), true), FileError) << dataSize;
        EXPECT_EQ(repairer.repair(path.c_str(), false), FileError) << dataSize;
        expectUntouched(path, bytes);
        ASSERT_TRUE(setReadOnly(path, false));
    }
}

class HeldFileTest : public RealFileTest, public testing::WithParamInterface<HeldFile::Kind> {};

TEST_P(HeldFileTest, FileHeldElsewhereIsAFileErrorUntilReleased)
{
    const std::vector<unsigned char> bytes = recording(sampleHeader(36, 0), 1000);
    const std::string path = create("held.wav", bytes);
    {
        HeldFile other(path, GetParam());
        ASSERT_TRUE(other.holding());
        EXPECT_EQ(repairer.repair(path.c_str(), true), FileError);
        EXPECT_EQ(repairer.repair(path.c_str(), false), FileError);
        EXPECT_EQ(readFile(path), bytes);
    }
    expectTimes(path, oldTimes.modified);
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
}

INSTANTIATE_TEST_SUITE_P(Holders, HeldFileTest, testing::ValuesIn(holdKinds()),
    [](const testing::TestParamInfo<HeldFile::Kind>& info) {
        std::string name;
        for (const char* c = kindName(info.param); *c != '\0'; ++c) {
            if (*c != ' ')
                name += *c;
        }
        return name;
    });

TEST_F(RealFileTest, PathInTheAnsiCodePageIsPassedUnchanged)
{
    // "表示.wav" in code page 932; the second byte of 表 is a backslash.
    const std::string path = dir.file("\x95\x5C\x8E\xA6.wav");
    if (!writeFile(path, recording(sampleHeader(36, 0), 100)))
        GTEST_SKIP() << "this system cannot store the name (host locale missing)";
    ASSERT_TRUE(setTimes(path, oldTimes));
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
    EXPECT_EQ(readRange(path, 0, 44), bytesOf(sampleHeader(136, 100)));
}

TEST_F(RealFileTest, SizeWithAllOnesLowHalfIsNoFailureDespiteAStaleError)
{
    const std::uint64_t size = 0xFFFFFFFFull;
    const std::string path = createSparse("ones.wav", sampleHeader(36, 0), size);
    leaveStaleError();
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
    EXPECT_EQ(readRange(path, 0, 44), bytesOf(sampleHeader(0xFFFFFFF7u, 0xFFFFFFD3u)));
    expectTimes(path, oldTimes.modified);
    EXPECT_EQ(fileSize(path), size);
}

TEST_F(RealFileTest, LargestFileThatFitsIsRepaired)
{
    const std::uint64_t size = 4 * GiB + 7;
    const std::string path = createSparse("largest.wav", sampleHeader(36, 0), size);
    EXPECT_EQ(repairer.repair(path.c_str(), true), Repaired);
    EXPECT_EQ(readRange(path, 0, 44), bytesOf(sampleHeader(0xFFFFFFFFu, 0xFFFFFFDBu)));
    EXPECT_EQ(readRange(path, size - 4096, 4096), tailPattern());
    expectTimes(path, oldTimes.modified);
    EXPECT_EQ(repairer.repair(path.c_str(), true), AlreadyValid);
}

TEST_F(RealFileTest, LargerFilesAreUnsupportedAndUntouched)
{
    struct Case {
        const char* leaf;
        WaveHeader header;
        std::uint64_t size;
    };
    const Case cases[] = {
        {"beyond.wav", sampleHeader(36, 0), 4 * GiB + 8},
        // Its fields hold exactly the low 32 bits of the right sizes.
        {"aliased.wav", sampleHeader(0, 0xFFFFFFE4u), 4 * GiB + 8},
        {"huge.wav", sampleHeader(36, 0), 16 * GiB},
        {"hugeFloat.wav", patched(sampleHeader(36, 0), 20, 2, 3), 16 * GiB},
    };
    for (const Case& c : cases) {
        const std::string path = createSparse(c.leaf, c.header, c.size);
        for (bool keepTime : {true, false})
            EXPECT_EQ(repairer.repair(path.c_str(), keepTime), Unsupported) << c.leaf;
        expectSparseUntouched(path, c.header, c.size);
    }
}

}

#include "HeaderFault.h"
#include "SampleHeader.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

WaveHeader withText(WaveHeader header, std::size_t offset, const char* text)
{
    std::memcpy(header.bytes + offset, text, 4);
    return header;
}

struct FieldCase {
    const char* name;
    std::size_t offset;
    std::size_t width;
    std::uint32_t value;
    HeaderFault fault;
};

class HeaderFieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(HeaderFieldTest, JudgesTheFieldAsItsTestDemands)
{
    const FieldCase& c = GetParam();
    const WaveHeader header = patched(sampleHeader(36, 0), c.offset, c.width, c.value);
    EXPECT_EQ(findHeaderFault(header), c.fault);
    EXPECT_EQ(WaveRepairer().checkHeader(header), c.fault == HeaderFault::None);
}

const FieldCase fieldCases[] = {
    {"riffSizeIsNotTested", 4, 4, 0xDEADBEEF, HeaderFault::None},
    {"fmtSizeIsNotTested", 16, 4, 18, HeaderFault::None},
    {"formatTagPcm", 20, 2, 1, HeaderFault::None},
    {"formatTagFloat", 20, 2, 3, HeaderFault::NotPcm},
    {"formatTagExtensible", 20, 2, 0xFFFE, HeaderFault::NotPcm},
    {"formatTagZero", 20, 2, 0, HeaderFault::NotPcm},
    {"formatTagHighByteCounts", 20, 2, 0x0101, HeaderFault::NotPcm},
    {"mono", 22, 2, 1, HeaderFault::None},
    {"stereo", 22, 2, 2, HeaderFault::None},
    {"noChannels", 22, 2, 0, HeaderFault::ChannelCount},
    {"threeChannels", 22, 2, 3, HeaderFault::ChannelCount},
    {"channelsHighByteCounts", 22, 2, 0x0201, HeaderFault::ChannelCount},
    {"sampleRateZero", 24, 4, 0, HeaderFault::NoSampleRate},
    {"sampleRateOne", 24, 4, 1, HeaderFault::None},
    {"sampleRateOnlyHighByte", 24, 4, 0x01000000, HeaderFault::None},
    {"byteRateIsNotTested", 28, 4, 0, HeaderFault::None},
    {"blockAlignIsNotTested", 32, 2, 7, HeaderFault::None},
    {"eightBits", 34, 2, 8, HeaderFault::None},
    {"sixteenBits", 34, 2, 16, HeaderFault::None},
    {"twentyFourBits", 34, 2, 24, HeaderFault::SampleWidth},
    {"thirtyTwoBits", 34, 2, 32, HeaderFault::SampleWidth},
    {"zeroBits", 34, 2, 0, HeaderFault::SampleWidth},
    {"bitsHighByteCounts", 34, 2, 0x0110, HeaderFault::SampleWidth},
    {"dataSizeIsNotTested", 40, 4, 0xFFFFFFFF, HeaderFault::None},
};

INSTANTIATE_TEST_SUITE_P(Fields, HeaderFieldTest, testing::ValuesIn(fieldCases),
    [](const testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

struct TagCase {
    const char* name;
    std::size_t offset;
    const char* text;
    HeaderFault fault;
};

class HeaderTagTest : public testing::TestWithParam<TagCase> {};

TEST_P(HeaderTagTest, DemandsAllFourBytesExactly)
{
    const TagCase& c = GetParam();
    const WaveHeader header = withText(sampleHeader(36, 0), c.offset, c.text);
    EXPECT_EQ(findHeaderFault(header), c.fault);
    EXPECT_EQ(WaveRepairer().checkHeader(header), c.fault == HeaderFault::None);
}

const TagCase tagCases[] = {
    {"riffLowerCase", 0, "riff", HeaderFault::NotRiff},
    {"rifx", 0, "RIFX", HeaderFault::NotRiff},
    {"rf64", 0, "RF64", HeaderFault::NotRiff},
    {"riffLastByte", 0, "RIF ", HeaderFault::NotRiff},
    {"waveLowerCase", 8, "wave", HeaderFault::NotWave},
    {"avi", 8, "AVI ", HeaderFault::NotWave},
    {"fmtWithoutSpace", 12, "fmt\0", HeaderFault::NoFormatChunk},
    {"fmtUpperCase", 12, "FMT ", HeaderFault::NoFormatChunk},
    {"listBeforeData", 36, "LIST", HeaderFault::NoDataChunk},
    {"factBeforeData", 36, "fact", HeaderFault::NoDataChunk},
    {"dataUpperCase", 36, "DATA", HeaderFault::NoDataChunk},
    {"dataFirstByte", 36, "xata", HeaderFault::NoDataChunk},
};

INSTANTIATE_TEST_SUITE_P(Tags, HeaderTagTest, testing::ValuesIn(tagCases),
    [](const testing::TestParamInfo<TagCase>& info) { return std::string(info.param.name); });

TEST(HeaderCheck, AcceptsTheCanonicalHeader)
{
    EXPECT_EQ(findHeaderFault(sampleHeader(36, 0)), HeaderFault::None);
    EXPECT_TRUE(WaveRepairer().checkHeader(sampleHeader(36, 0)));
}

TEST(HeaderCheck, RejectsAnAllZeroBuffer)
{
    EXPECT_FALSE(WaveRepairer().checkHeader(WaveHeader()));
}

TEST(HeaderCheck, NamesTheFirstFailingTestInOrder)
{
    WaveHeader header = sampleHeader(36, 0);
    header = patched(header, 34, 2, 24);
    EXPECT_EQ(findHeaderFault(header), HeaderFault::SampleWidth);
    header = patched(header, 24, 4, 0);
    EXPECT_EQ(findHeaderFault(header), HeaderFault::SampleWidth);
    header = patched(header, 22, 2, 6);
    EXPECT_EQ(findHeaderFault(header), HeaderFault::ChannelCount);
    header = patched(header, 20, 2, 3);
    EXPECT_EQ(findHeaderFault(header), HeaderFault::NotPcm);
    header = withText(header, 36, "LIST");
    EXPECT_EQ(findHeaderFault(header), HeaderFault::NoDataChunk);
    header = withText(header, 12, "JUNK");
    EXPECT_EQ(findHeaderFault(header), HeaderFault::NoFormatChunk);
    header = withText(header, 8, "AVI ");
    EXPECT_EQ(findHeaderFault(header), HeaderFault::NotWave);
    header = withText(header, 0, "LIST");
    EXPECT_EQ(findHeaderFault(header), HeaderFault::NotRiff);
}

TEST(WaveHeaderFields, DecodeLittleEndianAtTheirOffsets)
{
    WaveHeader header;
    for (std::size_t i = 0; i < WaveHeader::size; ++i)
        header.bytes[i] = static_cast<unsigned char>(i + 1);
    EXPECT_EQ(header.riffTag(), 0x04030201u);
    EXPECT_EQ(header.riffSize(), 0x08070605u);
    EXPECT_EQ(header.waveTag(), 0x0C0B0A09u);
    EXPECT_EQ(header.fmtTag(), 0x100F0E0Du);
    EXPECT_EQ(header.fmtSize(), 0x14131211u);
    EXPECT_EQ(header.formatTag(), 0x1615u);
    EXPECT_EQ(header.channels(), 0x1817u);
    EXPECT_EQ(header.sampleRate(), 0x1C1B1A19u);
    EXPECT_EQ(header.byteRate(), 0x201F1E1Du);
    EXPECT_EQ(header.blockAlign(), 0x2221u);
    EXPECT_EQ(header.bitsPerSample(), 0x2423u);
    EXPECT_EQ(header.dataTag(), 0x28272625u);
    EXPECT_EQ(header.dataSize(), 0x2C2B2A29u);
}

TEST(WaveHeaderFields, SizeSettersTouchOnlyTheirFourBytes)
{
    WaveHeader header;
    for (std::size_t i = 0; i < WaveHeader::size; ++i)
        header.bytes[i] = 0xAA;
    header.setRiffSize(0x12345678);
    header.setDataSize(0x9ABCDEF0);
    const unsigned char riff[] = {0x78, 0x56, 0x34, 0x12};
    const unsigned char data[] = {0xF0, 0xDE, 0xBC, 0x9A};
    for (std::size_t i = 0; i < WaveHeader::size; ++i) {
        if (i >= 4 && i < 8)
            EXPECT_EQ(header.bytes[i], riff[i - 4]) << "byte " << i;
        else if (i >= 40)
            EXPECT_EQ(header.bytes[i], data[i - 40]) << "byte " << i;
        else
            EXPECT_EQ(header.bytes[i], 0xAA) << "byte " << i;
    }
}

TEST(WaveHeaderFields, TagsAreTheFileBytesAsOneWord)
{
    EXPECT_EQ(WaveHeader::tag("RIFF"), 0x46464952u);
    EXPECT_EQ(WaveHeader::tag("fmt "), 0x20746D66u);
    EXPECT_EQ(sampleHeader(36, 0).dataTag(), WaveHeader::tag("data"));
}

}

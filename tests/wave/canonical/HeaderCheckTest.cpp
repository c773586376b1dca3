#include "HeaderFault.h"
#include "SampleHeader.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// One change to the canonical header: text replaces four bytes, or else value
// is stored little-endian in width bytes.
struct HeaderCase {
    const char* name;
    std::size_t offset;
    std::size_t width;
    std::uint32_t value;
    const char* text;
    HeaderFault fault;
};

WaveHeader changed(WaveHeader header, const HeaderCase& c) {
    if (c.text == nullptr)
        return patched(header, c.offset, c.width, c.value);
    std::memcpy(header.bytes + c.offset, c.text, 4);
    return header;
}

class HeaderCheckTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderCheckTest, NamesTheFaultAndAcceptsOnlyWithoutOne) {
    const WaveHeader header = changed(sampleHeader(36, 0), GetParam());
    EXPECT_EQ(findHeaderFault(header), GetParam().fault);
    EXPECT_EQ(WaveRepairer().checkHeader(header), GetParam().fault == HeaderFault::None);
}

const HeaderCase headerCases[] = {
    {"canonical", 20, 2, 1, nullptr, HeaderFault::None},
    {"riffSizeIsNotTested", 4, 4, 0xDEADBEEF, nullptr, HeaderFault::None},
    {"fmtSizeIsNotTested", 16, 4, 18, nullptr, HeaderFault::None},
    {"byteRateIsNotTested", 28, 4, 0, nullptr, HeaderFault::None},
    {"blockAlignIsNotTested", 32, 2, 7, nullptr, HeaderFault::None},
    {"dataSizeIsNotTested", 40, 4, 0xFFFFFFFF, nullptr, HeaderFault::None},
    {"formatTagFloat", 20, 2, 3, nullptr, HeaderFault::NotPcm},
    {"formatTagExtensible", 20, 2, 0xFFFE, nullptr, HeaderFault::NotPcm},
    {"formatTagHighByteCounts", 20, 2, 0x0101, nullptr, HeaderFault::NotPcm},
    {"mono", 22, 2, 1, nullptr, HeaderFault::None},
    {"noChannels", 22, 2, 0, nullptr, HeaderFault::ChannelCount},
    {"threeChannels", 22, 2, 3, nullptr, HeaderFault::ChannelCount},
    {"channelsHighByteCounts", 22, 2, 0x0201, nullptr, HeaderFault::ChannelCount},
    {"sampleRateZero", 24, 4, 0, nullptr, HeaderFault::NoSampleRate},
    {"sampleRateOnlyHighByte", 24, 4, 0x01000000, nullptr, HeaderFault::None},
    {"eightBits", 34, 2, 8, nullptr, HeaderFault::None},
    {"twentyFourBits", 34, 2, 24, nullptr, HeaderFault::SampleWidth},
    {"zeroBits", 34, 2, 0, nullptr, HeaderFault::SampleWidth},
    {"bitsHighByteCounts", 34, 2, 0x0110, nullptr, HeaderFault::SampleWidth},
    {"riffLowerCase", 0, 0, 0, "riff", HeaderFault::NotRiff},
    {"rf64", 0, 0, 0, "RF64", HeaderFault::NotRiff},
    {"riffLastByte", 0, 0, 0, "RIF ", HeaderFault::NotRiff},
    {"waveLowerCase", 8, 0, 0, "wave", HeaderFault::NotWave},
    {"fmtWithoutSpace", 12, 0, 0, "fmt\0", HeaderFault::NoFormatChunk},
    {"fmtUpperCase", 12, 0, 0, "FMT ", HeaderFault::NoFormatChunk},
    {"listBeforeData", 36, 0, 0, "LIST", HeaderFault::NoDataChunk},
    {"dataFirstByte", 36, 0, 0, "xata", HeaderFault::NoDataChunk},
};

INSTANTIATE_TEST_SUITE_P(Headers, HeaderCheckTest, testing::ValuesIn(headerCases),
    [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(HeaderCheck, NamesTheFirstFailingTestInOrder) {
    // Each step breaks one more field, earlier in the order than the last.
    const HeaderCase steps[] = {
        {"", 34, 2, 24, nullptr, HeaderFault::SampleWidth},
        {"", 24, 4, 0, nullptr, HeaderFault::SampleWidth},
        {"", 22, 2, 6, nullptr, HeaderFault::ChannelCount},
        {"", 20, 2, 3, nullptr, HeaderFault::NotPcm},
        {"", 36, 0, 0, "LIST", HeaderFault::NoDataChunk},
        {"", 12, 0, 0, "JUNK", HeaderFault::NoFormatChunk},
        {"", 8, 0, 0, "AVI ", HeaderFault::NotWave},
        {"", 0, 0, 0, "LIST", HeaderFault::NotRiff},
    };
    WaveHeader header = sampleHeader(36, 0);
    for (const HeaderCase& step : steps) {
        header = changed(header, step);
        EXPECT_EQ(findHeaderFault(header), step.fault) << "offset " << step.offset;
    }
    EXPECT_FALSE(WaveRepairer().checkHeader(WaveHeader()));
}

TEST(WaveHeaderFields, DecodeLittleEndianAtTheirOffsets) {
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
    EXPECT_EQ(WaveHeader::tag("fmt "), 0x20746D66u);
}

}

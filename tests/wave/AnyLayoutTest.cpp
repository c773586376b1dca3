#include "AnyLayoutRepairer.h"
#include "FakeFileAccess.h"
#include "LittleEndian.h"
#include "SampleHeader.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Step = FakeFileAccess::Step;

constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t none = 0xFFFFFFFFu;

Bytes le(std::uint64_t value, unsigned width)
{
    Bytes bytes(width);
    storeLittleEndian(bytes.data(), value, width);
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const char* s)
{
    return Bytes(s, s + std::strlen(s));
}

Bytes chunk(const char* tag, std::uint64_t size, const Bytes& body = {})
{
    return text(tag) + le(size, 4) + body;
}

// A fmt chunk with consistent fields at 8000 Hz; sub names an extensible
// one's sub-format.
Bytes fmt(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, std::uint16_t sub = 0)
{
    const unsigned align = channels * ((bits + 7u) / 8);
    Bytes body = le(tag, 2) + le(channels, 2) + le(8000, 4) + le(8000 * align, 4) + le(align, 2) + le(bits, 2);
    if (tag == 0xFFFE)
        body = body + le(22, 2) + le(bits, 2) + le(0, 4) + le(sub, 2)
            + Bytes{0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    return chunk("fmt ", body.size(), body);
}

Bytes wave(const char* form, std::uint64_t riffSize, const Bytes& chunks)
{
    return text(form) + le(riffSize, 4) + text("WAVE") + chunks;
}

Bytes ds64(std::uint64_t riff, std::uint64_t data, std::uint64_t samples)
{
    return chunk("ds64", 28, le(riff, 8) + le(data, 8) + le(samples, 8) + le(0, 4));
}

const Bytes stereo16 = fmt(1, 2, 16);
const Bytes list = chunk("LIST", 26, Bytes(26, 'x'));

struct Field {
    std::uint64_t offset;
    unsigned width;
    std::uint64_t value;
};

// A file: its first bytes, its size, bytes placed further on, what a repair
// answers and the fields it writes, in order.
struct LayoutCase {
    const char* name;
    Bytes head;
    std::uint64_t size;
    std::vector<std::pair<std::uint64_t, Bytes>> later;
    RepairResult result;
    LayoutFault fault;
    std::vector<Field> writes;
};

void PrintTo(const LayoutCase& c, std::ostream* out)
{
    *out << c.name;
}

FakeFileAccess fileOf(const LayoutCase& c)
{
    FakeFileAccess file(c.head, c.size);
    for (const auto& bytes : c.later)
        file.place(bytes.first, bytes.second);
    file.size = c.size;
    return file;
}

std::string trace(const std::vector<FakeFileAccess::Event>& journal)
{
    std::string text;
    for (const FakeFileAccess::Event& event : journal)
        text += event.flush ? "flush " : std::to_string(event.offset) + "+" + std::to_string(event.bytes.size()) + " ";
    return text;
}

bool sameTime(const FileTime& a, const FileTime& b)
{
    return a.seconds == b.seconds && a.nanoseconds == b.nanoseconds;
}

std::vector<LayoutCase> layoutCases()
{
    const std::uint64_t big = 16 * GiB + 2;
    const Bytes junk = chunk("JUNK", 28, Bytes(28, 0));
    std::vector<LayoutCase> cases = {
        // RIFF: fmt 12, LIST 36, data 70 (payload 78).
        {"listBeforeDataCutMidFrame", wave("RIFF", none, stereo16 + list + chunk("data", none)), 78 + 10001, {},
            Repaired, LayoutFault::None, {{74, 4, 10001}, {4, 4, 10071}}},
        {"listBeforeDataSound", wave("RIFF", 10070, stereo16 + list + chunk("data", 10000)), 10078, {},
            AlreadyValid, LayoutFault::None, {}},
        // Float: fmt 12, fact 36 (count at 44), data 48 (payload 56).
        {"floatWithFactCut", wave("RIFF", 0, fmt(3, 1, 32) + chunk("fact", 4, le(0, 4)) + chunk("data", 0)),
            56 + 4003, {}, Repaired, LayoutFault::None, {{52, 4, 4003}, {44, 4, 1000}, {4, 4, 4051}}},
        {"factAloneWrong", wave("RIFF", 4048, fmt(3, 1, 32) + chunk("fact", 4, le(7, 4)) + chunk("data", 4000)),
            4056, {}, Repaired, LayoutFault::None, {{44, 4, 1000}}},
        // Mono 8-bit: data 36 (payload 44).
        {"wholeDataThenChunkRiffWrong", wave("RIFF", 36, fmt(1, 1, 8) + chunk("data", 1000)), 1056,
            {{1044, chunk("id3 ", 4, text("abcd"))}}, Repaired, LayoutFault::None, {{4, 4, 1048}}},
        {"oddDataPadThenChunkSound", wave("RIFF", 1048, fmt(1, 1, 8) + chunk("data", 999)), 1056,
            {{1044, chunk("LIST", 4, text("abcd"))}}, AlreadyValid, LayoutFault::None, {}},
        {"oddDataWithoutPadAtEndSound", wave("RIFF", 1035, fmt(1, 1, 8) + chunk("data", 999)), 1043, {},
            AlreadyValid, LayoutFault::None, {}},
        {"recordingWentOn", wave("RIFF", 1036, fmt(1, 1, 8) + chunk("data", 1000)), 5044, {{1044, {0x80, 0x7F}}},
            Repaired, LayoutFault::None, {{40, 4, 5000}, {4, 4, 5036}}},
        {"wentOnOverAChunkTheRiffSizeDoesNotClaim", wave("RIFF", 1036, fmt(1, 1, 8) + chunk("data", 1000)), 5044,
            {{1044, chunk("LIST", 99999)}}, Repaired, LayoutFault::None, {{40, 4, 5000}, {4, 4, 5036}}},
        {"cutChunkAfterWholeData", wave("RIFF", 5036, fmt(1, 1, 8) + chunk("data", 1000)), 1056,
            {{1044, chunk("LIST", 100, text("INFO"))}}, Unsupported, LayoutFault::DamagedAfterData, {}},
        {"damagedChunkAfterWholeOnes", wave("RIFF", 1100, fmt(1, 1, 8) + chunk("data", 1000)), 1070,
            {{1044, chunk("LIST", 4, text("abcd")) + Bytes{1, 2, 3, 4, 5, 6}}}, Unsupported,
            LayoutFault::DamagedAfterData, {}},

        // RF64: ds64 12 (fields at 20), fmt 48, data 72 (size at 76, payload 80).
        {"rf64Cut16GiB", wave("RF64", none, ds64(0, 0, 0) + stereo16 + chunk("data", none)), big, {}, Repaired,
            LayoutFault::None, {{28, 8, big - 80}, {36, 8, (big - 80) / 4}, {20, 8, big - 8}}},
        {"rf64Sound", wave("RF64", none, ds64(1072, 1000, 250) + stereo16 + chunk("data", none)), 1080, {},
            AlreadyValid, LayoutFault::None, {}},
        {"rf64DataFieldHeldWrong", wave("RF64", none, ds64(1072, 100, 25) + stereo16 + chunk("data", 100)), 1080,
            {}, Repaired, LayoutFault::None, {{28, 8, 1000}, {76, 4, none}, {36, 8, 250}}},
        // fmt 48, fact 72 (count at 80), data 84 (payload 92).
        {"rf64FloatWithFact", wave("RF64", none, ds64(0, 0, 0) + fmt(3, 1, 32) + chunk("fact", 4, le(0, 4))
            + chunk("data", none)), 4092, {}, Repaired, LayoutFault::None,
            {{28, 8, 4000}, {36, 8, 1000}, {80, 4, 1000}, {20, 8, 4084}}},
        // JUNK 12 (room at 20), fmt 48, data 72.
        {"riffBecomesRf64", wave("RIFF", 0, junk + stereo16 + chunk("data", 0)), 5 * GiB, {}, Repaired,
            LayoutFault::None, {{28, 8, 5 * GiB - 80}, {76, 4, none}, {36, 8, (5 * GiB - 80) / 4},
                {20, 8, 5 * GiB - 8}, {4, 4, none}, {12, 4, WaveHeader::tag("ds64")}, {0, 4, WaveHeader::tag("RF64")}}},
        {"junkRoomAtTheLargestRiff", wave("RIFF", 0, junk + stereo16 + chunk("data", 0)), 4 * GiB + 7, {}, Repaired,
            LayoutFault::None, {{76, 4, 4 * GiB + 7 - 80}, {4, 4, none}}},

        {"notRiff", wave("RIFX", 36, stereo16 + chunk("data", 0)), 44, {}, Unsupported, LayoutFault::NotRiffWave, {}},
        {"rf64WithoutDs64", wave("RF64", none, stereo16 + chunk("data", none)), 44, {}, Unsupported,
            LayoutFault::NoDs64, {}},
        {"cutChunkHeader", wave("RIFF", 0, stereo16 + text("da")), 38, {}, Unsupported, LayoutFault::CutChunkHeader, {}},
        {"damagedChunkHeader", wave("RIFF", 0, stereo16 + Bytes(8, 1) + chunk("data", 0)), 52, {}, Unsupported,
            LayoutFault::DamagedChunk, {}},
        {"chunkBeforeDataPastEnd", wave("RIFF", 0, stereo16 + chunk("LIST", 5000)), 1000, {}, Unsupported,
            LayoutFault::ChunkPastEnd, {}},
        {"noDataChunk", wave("RIFF", 0, stereo16 + list), 70, {}, Unsupported, LayoutFault::NoDataChunk, {}},
        {"noFormatBeforeData", wave("RIFF", 0, chunk("data", 0) + stereo16), 1000, {}, Unsupported,
            LayoutFault::NoFormatChunk, {}},
        {"secondFormat", wave("RIFF", 0, stereo16 + stereo16 + chunk("data", 0)), 1000, {}, Unsupported,
            LayoutFault::RepeatedChunk, {}},
        {"shortFact", wave("RIFF", 0, stereo16 + chunk("fact", 2, Bytes(2, 0)) + chunk("data", 0)), 1000, {},
            Unsupported, LayoutFault::ShortChunk, {}},
        {"compressed", wave("RIFF", 0, fmt(2, 1, 4) + chunk("data", 0)), 1000, {}, Unsupported,
            LayoutFault::FormatTag, {}},
        {"rf64ChunkSizedByTheTable", wave("RF64", none, ds64(0, 0, 0) + chunk("LIST", none) + stereo16), 1000, {},
            Unsupported, LayoutFault::TableSized, {}},
        {"riffTooLargeWithoutRoom", wave("RIFF", 0, stereo16 + chunk("data", 0)), 5 * GiB, {}, Unsupported,
            LayoutFault::NoRoomForDs64, {}},
        {"junkTooSmallForDs64", wave("RIFF", 0, chunk("JUNK", 20, Bytes(20, 0)) + stereo16 + chunk("data", 0)),
            5 * GiB, {}, Unsupported, LayoutFault::NoRoomForDs64, {}},
    };
    Bytes many;
    for (int i = 0; i < 1000; ++i)
        many = many + chunk("JUNK", 0);
    cases.push_back({"tooManyChunks", wave("RIFF", 0, stereo16 + many + chunk("data", 0)), 9000, {}, Unsupported,
        LayoutFault::TooManyChunks, {}});
    return cases;
}

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, WritesOnlyTheWrongFieldsInOrderAndEveryPrefixRepairsToTheSameEnd)
{
    const LayoutCase& c = GetParam();
    FakeFileAccess expected = fileOf(c);
    std::string expectedTrace;
    for (const Field& field : c.writes) {
        expected.place(field.offset, le(field.value, field.width));
        expectedTrace += (expectedTrace.empty() ? "" : "flush ") + std::to_string(field.offset) + "+"
            + std::to_string(field.width) + " ";
    }

    FakeFileAccess file = fileOf(c);
    LayoutFindings findings;
    EXPECT_EQ(AnyLayoutRepairer().repair(file, "x.wav", true, findings), c.result);
    EXPECT_EQ(findings.fault, c.fault);
    EXPECT_EQ(trace(file.journal), expectedTrace);
    EXPECT_EQ(file.nonZero(), expected.nonZero());
    EXPECT_TRUE(sameTime(file.lastWrite, FakeFileAccess::timeBefore));
    EXPECT_FALSE(file.isOpen());

    FakeFileAccess dry = fileOf(c);
    LayoutFindings dryFindings;
    EXPECT_EQ(AnyLayoutRepairer().inspect(dry, "x.wav", dryFindings), c.result);
    EXPECT_EQ(dryFindings.fault, c.fault);
    EXPECT_TRUE(dry.journal.empty());

    // A crash after any prefix of the writes leaves a file the rule finishes
    // as the whole repair did; after all of them the file is sound.
    FakeFileAccess crashed = fileOf(c);
    std::size_t left = c.writes.size();
    for (const FakeFileAccess::Event& event : file.journal) {
        if (event.flush)
            continue;
        crashed.place(event.offset, event.bytes);
        FakeFileAccess again = crashed;
        EXPECT_EQ(AnyLayoutRepairer().repair(again, "x.wav", true, findings), --left == 0 ? AlreadyValid : Repaired)
            << event.offset;
        EXPECT_EQ(again.nonZero(), file.nonZero()) << event.offset;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, LayoutTest, testing::ValuesIn(layoutCases()),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* name;
    Bytes body;
    LayoutFault fault;
};

void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << c.name;
}

// The body of a fmt chunk with one field changed.
Bytes changed(Bytes body, std::size_t offset, unsigned width, std::uint64_t value)
{
    storeLittleEndian(body.data() + offset, value, width);
    return body;
}

Bytes bodyOf(const Bytes& fmtChunk)
{
    return Bytes(fmtChunk.begin() + 8, fmtChunk.end());
}

class FrameFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FrameFormatTest, AcceptsOnlyFixedFramesWithConsistentFields)
{
    const FormatCase& c = GetParam();
    Bytes body = c.body;
    body.resize(frameFormatBytes);
    FrameFormat format;
    EXPECT_EQ(readFrameFormat(body.data(), static_cast<std::uint32_t>(c.body.size()), format), c.fault);
}

INSTANTIATE_TEST_SUITE_P(Formats, FrameFormatTest, testing::Values(
    FormatCase{"pcm24ThreeChannels", bodyOf(fmt(1, 3, 24)), LayoutFault::None},
    FormatCase{"pcm12InTwoBytes", bodyOf(fmt(1, 1, 12)), LayoutFault::None},
    FormatCase{"float64", bodyOf(fmt(3, 2, 64)), LayoutFault::None},
    FormatCase{"aLaw", bodyOf(fmt(6, 2, 8)), LayoutFault::None},
    FormatCase{"muLaw", bodyOf(fmt(7, 1, 8)), LayoutFault::None},
    FormatCase{"extensiblePcm", bodyOf(fmt(0xFFFE, 6, 24, 1)), LayoutFault::None},
    FormatCase{"extensibleFloat", bodyOf(fmt(0xFFFE, 2, 32, 3)), LayoutFault::None},
    FormatCase{"shorterThan16", Bytes(14, 0), LayoutFault::ShortChunk},
    FormatCase{"extensibleWithoutItsFields", changed(bodyOf(fmt(1, 1, 16)), 0, 2, 0xFFFE), LayoutFault::ShortChunk},
    FormatCase{"adpcm", bodyOf(fmt(2, 1, 4)), LayoutFault::FormatTag},
    FormatCase{"extensibleAdpcm", bodyOf(fmt(0xFFFE, 1, 8, 2)), LayoutFault::SubFormat},
    FormatCase{"extensibleOtherGuid", changed(bodyOf(fmt(0xFFFE, 1, 16, 1)), 39, 1, 0x72), LayoutFault::SubFormat},
    FormatCase{"noChannels", changed(bodyOf(fmt(1, 1, 16)), 2, 2, 0), LayoutFault::NoChannels},
    FormatCase{"noSampleRate", changed(bodyOf(fmt(1, 1, 16)), 4, 4, 0), LayoutFault::NoSampleRate},
    FormatCase{"float24", bodyOf(fmt(3, 1, 24)), LayoutFault::SampleWidth},
    FormatCase{"aLaw16", bodyOf(fmt(6, 1, 16)), LayoutFault::SampleWidth},
    FormatCase{"extensibleContainerOf20Bits", bodyOf(fmt(0xFFFE, 1, 20, 1)), LayoutFault::SampleWidth},
    FormatCase{"blockAlignOff", changed(bodyOf(fmt(1, 2, 16)), 12, 2, 2), LayoutFault::BlockAlign},
    FormatCase{"byteRateOff", changed(bodyOf(fmt(1, 2, 16)), 8, 4, 32001), LayoutFault::ByteRate}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(AnyLayoutRule, GivesTheCanonicalRulesAnswerAndBytesOnCanonicalFiles)
{
    // Quiet 16-bit audio and 8-bit silence: what a recording holds, no chunk.
    const Bytes audio = {0x01, 0x00, 0xFF, 0xFF, 0xFE, 0xFF, 0x02, 0x00, 0x80, 0x80, 0x7F, 0x81};
    for (std::uint16_t channels : {1, 2}) {
        for (std::uint16_t bits : {8, 16}) {
            const unsigned align = channels * bits / 8;
            const WaveHeader format = patched(patched(patched(patched(sampleHeader(0, 0), 22, 2, channels), 34, 2,
                bits), 32, 2, align), 28, 4, 44100 * align);
            for (std::uint64_t size : std::initializer_list<std::uint64_t>{44, 1045, 4 * GiB + 7, 4 * GiB + 8}) {
                const std::uint64_t data = size - 44;
                for (std::uint64_t stored : std::initializer_list<std::uint64_t>{0, 36, data, data + 1, data - 7, none}) {
                    for (std::uint64_t riff : std::initializer_list<std::uint64_t>{0, size - 8, none}) {
                        const Bytes head = bytesOf(patched(patched(format, 4, 4, static_cast<std::uint32_t>(riff)),
                            40, 4, static_cast<std::uint32_t>(stored)));
                        FakeFileAccess canonical(head, size);
                        canonical.place(44, audio);
                        canonical.size = size;
                        FakeFileAccess any = canonical;
                        LayoutFindings findings;
                        const std::string row = std::to_string(size) + " " + std::to_string(stored) + " "
                            + std::to_string(riff) + " " + std::to_string(align);
                        EXPECT_EQ(AnyLayoutRepairer().repair(any, "x.wav", true, findings),
                            WaveRepairer().repair(canonical, "x.wav", true)) << row;
                        EXPECT_EQ(any.nonZero(), canonical.nonZero()) << row;
                    }
                }
            }
        }
    }
}

TEST(AnyLayoutRule, AFailingStepIsAFileErrorAndClosesTheFile)
{
    const LayoutCase cut = layoutCases()[0];
    for (Step step : {Step::Open, Step::GetTime, Step::GetSize, Step::Read, Step::Write, Step::Flush, Step::SetTime}) {
        FakeFileAccess file = fileOf(cut);
        file.failAt = step;
        LayoutFindings findings;
        EXPECT_EQ(AnyLayoutRepairer().repair(file, "x.wav", true, findings), FileError) << stepName(step);
        EXPECT_FALSE(file.isOpen()) << stepName(step);
        // Writing stops at the failure: what reached the file is a prefix.
        EXPECT_EQ(trace(file.journal), step == Step::Write ? "74+0 " : step == Step::Flush ? "74+4 "
            : step == Step::SetTime ? "74+4 flush 4+4 " : "") << stepName(step);
    }
    FakeFileAccess shortFile(text("RIFF\x24"), 5);
    LayoutFindings findings;
    EXPECT_EQ(AnyLayoutRepairer().inspect(shortFile, "x.wav", findings), FileError);
    EXPECT_EQ(findings.fileSize, 5u);
}

}

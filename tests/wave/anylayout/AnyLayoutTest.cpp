#include "AnyLayoutRepairer.h"
#include "ChunkBytes.h"
#include "FakeFileAccess.h"
#include "WaveFormatChunk.h"
#include "WaveRepairer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Step = FakeFileAccess::Step;

constexpr std::uint64_t GiB = 1ull << 30;

Bytes ds64(std::uint64_t riff, std::uint64_t data, std::uint64_t samples) {
    return chunk("ds64", 28, le(riff, 8) + le(data, 8) + le(samples, 8) + le(0, 4));
}

const Bytes stereo16 = fmtChunk(1, 2, 16);
const Bytes mono8 = fmtChunk(1, 1, 8);
const Bytes list = chunk("LIST", 26, Bytes(26, 'x'));
// Tags taggers append: ID3v1 (128 bytes) and ID3v2.3 with 54 bytes of frames.
const Bytes id3v1 = text("TAG") + Bytes(125, ' ');
const Bytes id3v2 = text("ID3") + Bytes{3, 0, 0, 0, 0, 0, 54} + Bytes(54, 0);

struct Field {
    std::uint64_t offset;
    unsigned width;
    std::uint64_t value;
    bool bigEndian = false;
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

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name;
}

FakeFileAccess fileOf(const LayoutCase& c) {
    FakeFileAccess file(c.head, c.size);
    for (const auto& bytes : c.later)
        file.place(bytes.first, bytes.second);
    file.size = c.size;
    return file;
}

std::string trace(const std::vector<FakeFileAccess::Event>& journal) {
    std::string text;
    for (const FakeFileAccess::Event& event : journal)
        text += event.flush ? "flush " : std::to_string(event.offset) + "+" + std::to_string(event.bytes.size()) + " ";
    return text;
}

std::vector<LayoutCase> layoutCases() {
    const std::uint64_t big = 16 * GiB + 2;
    const Bytes junk = chunk("JUNK", 28, Bytes(28, 0));
    const Bytes ssnd = bigChunk("SSND", 0, Bytes(8, 0));
    Bytes infiniteRate = commChunk(1, 0, 16);
    infiniteRate[16] = 0x7F;
    infiniteRate[17] = 0xFF;
    std::vector<LayoutCase> cases = {
        // fmt 12, LIST 36, data 644 (size at 648, payload 652): the data size
        // lies in the second sector, the RIFF size in the first.
        {"dataSizeInTheSecondSector",
            waveHead("RIFF", 0, stereo16 + chunk("LIST", 600, Bytes(600, 'x')) + chunk("data", 0)), 652 + 1001, {},
            Repaired, LayoutFault::None, {{648, 4, 1001}, {4, 4, 1645}}},
        // RIFF: fmt 12, LIST 36, data 70 (payload 78).
        {"listBeforeDataCutMidFrame", waveHead("RIFF", allOnes, stereo16 + list + chunk("data", allOnes)), 78 + 10001,
            {}, Repaired, LayoutFault::None, {{74, 4, 10001}, {4, 4, 10071}}},
        {"floatWithFactCut", waveHead("RIFF", 0, fmtChunk(3, 1, 32) + chunk("fact", 4, le(0, 4)) + chunk("data", 0)),
            56 + 4003, {}, Repaired, LayoutFault::None, {{52, 4, 4003}, {44, 4, 1000}, {4, 4, 4051}}},
        {"factAloneWrong",
            waveHead("RIFF", 4048, fmtChunk(3, 1, 32) + chunk("fact", 4, le(7, 4)) + chunk("data", 4000)), 4056, {},
            Repaired, LayoutFault::None, {{44, 4, 1000}}},
        // Mono 8-bit: data 36 (payload 44).
        {"wholeDataThenChunkRiffWrong", waveHead("RIFF", 36, mono8 + chunk("data", 1000)), 1056,
            {{1044, chunk("id3 ", 4, text("abcd"))}}, Repaired, LayoutFault::None, {{4, 4, 1048}}},
        {"oddDataPadThenChunkSound", waveHead("RIFF", 1048, mono8 + chunk("data", 999)), 1056,
            {{1044, chunk("LIST", 4, text("abcd"))}}, AlreadyValid, LayoutFault::None, {}},
        {"soundWithId3v1Appended", waveHead("RIFF", 1036, mono8 + chunk("data", 1000)), 1172, {{1044, id3v1}},
            AlreadyValid, LayoutFault::None, {}},
        {"soundWithAChunkThenId3v2", waveHead("RIFF", 1048, mono8 + chunk("data", 1000)), 1120,
            {{1044, chunk("LIST", 4, text("abcd")) + id3v2}}, AlreadyValid, LayoutFault::None, {}},
        {"cutWithId3v1AtTheEnd", waveHead("RIFF", 0, mono8 + chunk("data", 0)), 2172, {{2044, id3v1}}, Repaired,
            LayoutFault::None, {{40, 4, 2000}, {4, 4, 2036}}},
        {"oddDataWithoutItsPadByteThenAChunk", waveHead("RIFF", 1047, mono8 + chunk("data", 999)), 1055,
            {{1043, chunk("LIST", 4, text("abcd"))}}, AlreadyValid, LayoutFault::None, {}},
        {"recordingWentOn", waveHead("RIFF", 1036, mono8 + chunk("data", 1000)), 5044, {{1044, {0x80, 0x7F}}}, Repaired,
            LayoutFault::None, {{40, 4, 5000}, {4, 4, 5036}}},
        {"wentOnOverAChunkTheRiffSizeDoesNotClaim", waveHead("RIFF", 1036, mono8 + chunk("data", 1000)), 5044,
            {{1044, chunk("LIST", 99999)}}, Repaired, LayoutFault::None, {{40, 4, 5000}, {4, 4, 5036}}},
        {"cutChunkAfterWholeData", waveHead("RIFF", 5036, mono8 + chunk("data", 1000)), 1056,
            {{1044, chunk("LIST", 100, text("INFO"))}}, Unsupported, LayoutFault::DamagedAfterData, {}},
        {"damagedChunkAfterWholeOnes", waveHead("RIFF", 1100, mono8 + chunk("data", 1000)), 1070,
            {{1044, chunk("LIST", 4, text("abcd")) + Bytes{1, 2, 3, 4, 5, 6}}}, Unsupported,
            LayoutFault::DamagedAfterData, {}},

        // RF64: ds64 12 (fields at 20), fmt 48, data 72 (size at 76, payload 80).
        {"rf64Cut16GiB", waveHead("RF64", allOnes, ds64(0, 0, 0) + stereo16 + chunk("data", allOnes)), big, {},
            Repaired, LayoutFault::None, {{28, 8, big - 80}, {36, 8, (big - 80) / 4}, {20, 8, big - 8}}},
        {"rf64DataFieldHeldWrong", waveHead("RF64", allOnes, ds64(1072, 100, 25) + stereo16 + chunk("data", 100)), 1080,
            {}, Repaired, LayoutFault::None, {{28, 8, 1000}, {76, 4, allOnes}, {36, 8, 250}}},
        // ds64 holds the sizes readers go by; the 32-bit field is set to defer.
        {"rf64Ds64ExactDataFieldZeroThenAxml",
            waveHead("RF64", allOnes, ds64(1096, 1000, 250) + stereo16 + chunk("data", 0)), 1104,
            {{1080, chunk("axml", 16, Bytes(16, 'x'))}}, Repaired, LayoutFault::None, {{76, 4, allOnes}}},
        // fmt 48, fact 72 (count at 80), data 84 (payload 92).
        {"rf64FloatWithFact",
            waveHead("RF64", allOnes,
                ds64(0, 0, 0) + fmtChunk(3, 1, 32) + chunk("fact", 4, le(0, 4)) + chunk("data", allOnes)),
            4092, {}, Repaired, LayoutFault::None, {{28, 8, 4000}, {36, 8, 1000}, {80, 4, 1000}, {20, 8, 4084}}},
        // JUNK 12 (room at 20), fmt 48, data 72.
        {"riffBecomesRf64", waveHead("RIFF", 0, junk + stereo16 + chunk("data", 0)), 5 * GiB, {}, Repaired,
            LayoutFault::None,
            {{28, 8, 5 * GiB - 80}, {76, 4, allOnes}, {36, 8, (5 * GiB - 80) / 4}, {20, 8, 5 * GiB - 8},
                {4, 4, allOnes}, {12, 4, WaveHeader::tag("ds64")}, {0, 4, WaveHeader::tag("RF64")}}},
        // Data of exactly 4 GiB: a data size of 0xFFFFFFFF and a pad byte
        // would end at the end of the file.
        {"riffWith4GiBOfDataBecomesRf64", waveHead("RIFF", 0, junk + stereo16 + chunk("data", 0)), 4 * GiB + 80, {},
            Repaired, LayoutFault::None,
            {{28, 8, 4 * GiB}, {76, 4, allOnes}, {36, 8, GiB}, {20, 8, 4 * GiB + 72}, {4, 4, allOnes},
                {12, 4, WaveHeader::tag("ds64")}, {0, 4, WaveHeader::tag("RF64")}}},
        {"junkRoomAtTheLargestRiff", waveHead("RIFF", 0, junk + stereo16 + chunk("data", 0)), 4 * GiB + 7, {}, Repaired,
            LayoutFault::None, {{76, 4, 4 * GiB + 7 - 80}, {4, 4, allOnes}}},

        {"notRiff", waveHead("RIFX", 36, stereo16 + chunk("data", 0)), 44, {}, Unsupported,
            LayoutFault::UnknownContainer, {}},
        {"rf64WithoutDs64", waveHead("RF64", allOnes, stereo16 + chunk("data", allOnes)), 44, {}, Unsupported,
            LayoutFault::NoDs64, {}},
        {"cutChunkHeader", waveHead("RIFF", 0, stereo16 + text("da")), 38, {}, Unsupported, LayoutFault::CutChunkHeader,
            {}},
        {"damagedChunkHeader", waveHead("RIFF", 0, stereo16 + Bytes(8, 1) + chunk("data", 0)), 52, {}, Unsupported,
            LayoutFault::DamagedChunk, {}},
        {"chunkBeforeDataPastEnd", waveHead("RIFF", 0, stereo16 + chunk("LIST", 5000)), 1000, {}, Unsupported,
            LayoutFault::ChunkPastEnd, {}},
        {"noDataChunk", waveHead("RIFF", 0, stereo16 + list), 70, {}, Unsupported, LayoutFault::NoDataChunk, {}},
        {"noFormatBeforeData", waveHead("RIFF", 0, chunk("data", 0) + stereo16), 1000, {}, Unsupported,
            LayoutFault::NoFormatChunk, {}},
        {"secondFormat", waveHead("RIFF", 0, stereo16 + stereo16 + chunk("data", 0)), 1000, {}, Unsupported,
            LayoutFault::RepeatedChunk, {}},
        {"shortFact", waveHead("RIFF", 0, stereo16 + chunk("fact", 2, Bytes(2, 0)) + chunk("data", 0)), 1000, {},
            Unsupported, LayoutFault::ShortChunk, {}},
        {"compressed", waveHead("RIFF", 0, fmtChunk(2, 1, 4) + chunk("data", 0)), 1000, {}, Unsupported,
            LayoutFault::FormatTag, {}},
        {"rf64ChunkSizedByTheTable", waveHead("RF64", allOnes, ds64(0, 0, 0) + chunk("LIST", allOnes) + stereo16), 1000,
            {}, Unsupported, LayoutFault::TableSized, {}},
        {"riffTooLargeWithoutRoom", waveHead("RIFF", 0, stereo16 + chunk("data", 0)), 5 * GiB, {}, Unsupported,
            LayoutFault::NoRoomForDs64, {}},
        {"junkTooSmallForDs64", waveHead("RIFF", 0, chunk("JUNK", 20, Bytes(20, 0)) + stereo16 + chunk("data", 0)),
            5 * GiB, {}, Unsupported, LayoutFault::NoRoomForDs64, {}},

        // AIFF, big-endian: COMM 12 (frames at 22), SSND 38 (size at 42,
        // audio after its offset and block size at 54). Cut off, SSND is odd
        // and ends without its pad byte.
        {"aiffCutMidFrame", formHead("AIFF", 0, commChunk(2, 0, 16) + ssnd), 54 + 4001, {}, Repaired, LayoutFault::None,
            {{42, 4, 4009, true}, {22, 4, 1000, true}, {4, 4, 4047, true}}},
        // FVER 12, COMM 24, SSND 56 with 100 frames to 272, then an ID3 chunk.
        {"aifcSoundWithAnId3Chunk",
            formHead("AIFC", 282,
                bigChunk("FVER", 4, be(0xA2805140, 4)) + commChunk(1, 100, 16, "sowt")
                    + bigChunk("SSND", 208, Bytes(8, 0))),
            290, {{272, bigChunk("ID3 ", 10, Bytes(10, 0))}}, AlreadyValid, LayoutFault::None, {}},
        // 333 frames of 24-bit mono, then ANNO and ID3 chunks, no pad bytes.
        {"aiffOddSsndWithoutPadBytesThenChunks",
            formHead("AIFF", 1074, commChunk(1, 333, 24) + bigChunk("SSND", 1007, Bytes(8, 0))), 1082,
            {{1053, bigChunk("ANNO", 3, text("abc")) + bigChunk("ID3 ", 10, Bytes(10, 0))}}, AlreadyValid,
            LayoutFault::None, {}},
        // Mu-law that states 16 bits, one byte a sample, sound once repaired:
        // COMM 12 (frames at 22), SSND 44 (size at 48, audio at 60).
        {"aifcMuLawOf16BitsCut", formHead("AIFC", 0, commChunk(2, 0, 16, "ULAW") + bigChunk("SSND", 0, Bytes(8, 0))),
            60 + 1001, {}, Repaired, LayoutFault::None, {{48, 4, 1009, true}, {22, 4, 500, true}, {4, 4, 1053, true}}},
        {"aifcWithoutFixedFrames", formHead("AIFC", 0, commChunk(1, 0, 4, "ima4") + ssnd), 1000, {}, Unsupported,
            LayoutFault::Compression, {}},
        {"aiffRateNotFinite", formHead("AIFF", 0, infiniteRate + ssnd), 1000, {}, Unsupported, LayoutFault::SampleRate,
            {}},
        {"aiffPast4GiB", formHead("AIFF", 0, commChunk(2, 0, 16) + ssnd), 5 * GiB, {}, Unsupported,
            LayoutFault::TooLarge, {}},
    };
    Bytes many;
    for (int i = 0; i < 1000; ++i)
        many = many + chunk("JUNK", 0);
    cases.push_back({"tooManyChunks", waveHead("RIFF", 0, stereo16 + many + chunk("data", 0)), 9000, {}, Unsupported,
        LayoutFault::TooManyChunks, {}});
    return cases;
}

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, WritesOnlyTheWrongFieldsInOrderAndEveryPrefixRepairsToTheSameEnd) {
    const LayoutCase& c = GetParam();
    FakeFileAccess expected = fileOf(c);
    // Writes reach the disk in order: a flush stands between two that do not
    // share a 512-byte sector.
    std::string expectedTrace;
    for (std::size_t i = 0; i < c.writes.size(); ++i) {
        const Field& field = c.writes[i];
        expected.place(field.offset, field.bigEndian ? be(field.value, field.width) : le(field.value, field.width));
        const bool newSector = i > 0 && c.writes[i - 1].offset / 512 != field.offset / 512;
        expectedTrace +=
            (newSector ? "flush " : "") + std::to_string(field.offset) + "+" + std::to_string(field.width) + " ";
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

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

// The body of a fmt chunk with one field changed.
Bytes changed(Bytes body, std::size_t offset, unsigned width, std::uint64_t value) {
    const Bytes field = le(value, width);
    std::copy(field.begin(), field.end(), body.begin() + static_cast<std::ptrdiff_t>(offset));
    return body;
}

Bytes bodyOf(const Bytes& fmtChunk) {
    return Bytes(fmtChunk.begin() + 8, fmtChunk.end());
}

class FrameFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FrameFormatTest, AcceptsOnlyFixedFramesWithConsistentFields) {
    const FormatCase& c = GetParam();
    Bytes body = c.body;
    body.resize(frameFormatBytes);
    FrameFormat format;
    EXPECT_EQ(readFrameFormat(body.data(), static_cast<std::uint32_t>(c.body.size()), format), c.fault);
}

INSTANTIATE_TEST_SUITE_P(Formats, FrameFormatTest,
    testing::Values(FormatCase{"pcm24ThreeChannels", bodyOf(fmtChunk(1, 3, 24)), LayoutFault::None},
        FormatCase{"float64", bodyOf(fmtChunk(3, 2, 64)), LayoutFault::None},
        FormatCase{"muLaw", bodyOf(fmtChunk(7, 1, 8)), LayoutFault::None},
        FormatCase{"extensiblePcm", bodyOf(fmtChunk(0xFFFE, 6, 24, 1)), LayoutFault::None},
        FormatCase{"extensibleFloat", bodyOf(fmtChunk(0xFFFE, 2, 32, 3)), LayoutFault::None},
        FormatCase{"extensibleALaw", bodyOf(fmtChunk(0xFFFE, 6, 8, 6)), LayoutFault::None},
        FormatCase{"shorterThan16", Bytes(14, 0), LayoutFault::ShortChunk},
        FormatCase{"extensibleWithoutItsFields", changed(bodyOf(fmtChunk(1, 1, 16)), 0, 2, 0xFFFE),
            LayoutFault::ShortChunk},
        FormatCase{"adpcm", bodyOf(fmtChunk(2, 1, 4)), LayoutFault::FormatTag},
        FormatCase{"extensibleAdpcm", bodyOf(fmtChunk(0xFFFE, 1, 8, 2)), LayoutFault::SubFormat},
        FormatCase{"extensibleOtherGuid", changed(bodyOf(fmtChunk(0xFFFE, 1, 16, 1)), 39, 1, 0x72),
            LayoutFault::SubFormat},
        FormatCase{"noChannels", changed(bodyOf(fmtChunk(1, 1, 16)), 2, 2, 0), LayoutFault::NoChannels},
        FormatCase{"noSampleRate", changed(bodyOf(fmtChunk(1, 1, 16)), 4, 4, 0), LayoutFault::NoSampleRate},
        FormatCase{"float24", bodyOf(fmtChunk(3, 1, 24)), LayoutFault::SampleWidth},
        FormatCase{"aLaw16", bodyOf(fmtChunk(6, 1, 16)), LayoutFault::SampleWidth},
        FormatCase{"extensibleContainerOf20Bits", bodyOf(fmtChunk(0xFFFE, 1, 20, 1)), LayoutFault::SampleWidth},
        FormatCase{"blockAlignOff", changed(bodyOf(fmtChunk(1, 2, 16)), 12, 2, 2), LayoutFault::BlockAlign},
        FormatCase{"byteRateOff", changed(bodyOf(fmtChunk(1, 2, 16)), 8, 4, 32001), LayoutFault::ByteRate}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(AnyLayoutRule, GivesTheCanonicalRulesAnswerAndBytesOnCanonicalFiles) {
    // Quiet 16-bit audio and 8-bit silence: what a recording holds, no chunk.
    const Bytes audio = {0x01, 0x00, 0xFF, 0xFF, 0xFE, 0xFF, 0x02, 0x00, 0x80, 0x80, 0x7F, 0x81};
    const std::uint64_t sizes[] = {44, 1045, 4 * GiB + 7, 4 * GiB + 8};
    for (const Bytes& format : {mono8, stereo16, fmtChunk(1, 2, 8), fmtChunk(1, 1, 16)}) {
        for (std::uint64_t size : sizes) {
            const std::uint64_t data = size - 44;
            const std::uint64_t dataSizes[] = {0, 36, data, data + 1, data - 7, allOnes};
            for (std::uint64_t stored : dataSizes) {
                for (std::uint64_t riff : {std::uint64_t(0), size - 8, std::uint64_t(allOnes)}) {
                    FakeFileAccess canonical(waveHead("RIFF", riff, format + chunk("data", stored)) + audio, size);
                    FakeFileAccess any = canonical;
                    LayoutFindings findings;
                    const std::string row = std::to_string(format[20]) + " bytes a frame, size " + std::to_string(size)
                        + ", data " + std::to_string(stored) + ", RIFF " + std::to_string(riff);
                    EXPECT_EQ(AnyLayoutRepairer().repair(any, "x.wav", true, findings),
                        WaveRepairer().repair(canonical, "x.wav", true))
                        << row;
                    EXPECT_EQ(any.nonZero(), canonical.nonZero()) << row;
                }
            }
        }
    }
}

TEST(AnyLayoutRule, AFailingStepIsAFileErrorAndClosesTheFile) {
    const LayoutCase cut = layoutCases()[0];
    for (Step step :
        {Step::Open, Step::GetTime, Step::GetSize, Step::Read, Step::Write, Step::Flush, Step::SetTime, Step::Close}) {
        FakeFileAccess file = fileOf(cut);
        file.failAt = step;
        LayoutFindings findings;
        EXPECT_EQ(AnyLayoutRepairer().repair(file, "x.wav", true, findings), FileError) << stepName(step);
        EXPECT_FALSE(file.isOpen()) << stepName(step);
        // Writing stops at the failure: what reached the file is a prefix.
        EXPECT_EQ(trace(file.journal),
            step == Step::Write                                ? "648+0 "
                : step == Step::Flush                          ? "648+4 "
                : step == Step::SetTime || step == Step::Close ? "648+4 flush 4+4 "
                                                               : "")
            << stepName(step);
    }
    FakeFileAccess shortFile(text("RIFF\x24"), 5);
    LayoutFindings findings;
    EXPECT_EQ(AnyLayoutRepairer().inspect(shortFile, "x.wav", findings), FileError);
    EXPECT_EQ(findings.fileSize, 5u);
}

}

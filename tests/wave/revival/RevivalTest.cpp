#include "ChunkBytes.h"
#include "FakeFileAccess.h"
#include "HeaderReviver.h"
#include "MemoryCreatedFile.h"
#include "RepairPlan.h"
#include "RevivalProperties.h"
#include "RevivedHeader.h"
#include "SynthRecording.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

// A recording that lost its header: prefix, then the recording's frames
// from byte cut on, the first zeroed of them zero; revived as stated.
struct RevivalCase {
    const char* name;
    SampleFormat format;
    Signal signal;
    Bytes prefix;
    std::size_t cut;
    std::size_t zeroed;
    SampleFormat stated;
    std::uint64_t donorOffset;
    RevivalFault fault;
    // Where the audio must begin, give or take what may be lost after
    // foreign bytes.
    std::uint64_t audioAt;
    std::uint64_t lostAtMost;
    bool inPlace;
    SampleFormat better;
};

void PrintTo(const RevivalCase& c, std::ostream* out) {
    *out << c.name;
}

const SampleFormat none{0, false, 0};

class RevivalTest : public testing::TestWithParam<RevivalCase> {};

TEST_P(RevivalTest, FindsTheAudioAndWritesASoundHeaderOrRefuses) {
    const RevivalCase& c = GetParam();
    Bytes recording = synthRecording(c.format, 20000, c.signal);
    recording.erase(recording.begin(), recording.begin() + c.cut);
    std::fill(recording.begin(), recording.begin() + c.zeroed, 0);
    const Bytes original = c.prefix + recording;
    RevivalFormat format;
    ASSERT_TRUE(statedFormat(44100, 8 * c.stated.width, c.stated.channels, c.stated.isFloat, format));
    format.donorOffset = c.donorOffset;

    // A sound result, audio untouched, and a crash after any write revived
    // the same way.
    EXPECT_EQ(checkRevival(original, format), "");
    FakeFileAccess file(original, original.size());
    MemoryCreatedFile beside;
    RevivalFindings findings;
    const RepairResult result = HeaderReviver().revive(file, "take", format, beside, "take.wav", false, true, findings);
    ASSERT_EQ(findings.fault, c.fault);
    if (c.fault != RevivalFault::None) {
        EXPECT_EQ(result, Unsupported);
        EXPECT_TRUE(file.journal.empty());
        EXPECT_TRUE(beside.bytes.empty());
        if (c.fault == RevivalFault::NoFit) {
            EXPECT_TRUE((findings.verdict.betterFound ? findings.verdict.better : none) == c.better);
        }
        return;
    }
    ASSERT_EQ(result, Repaired);
    EXPECT_GE(findings.audioAt, c.audioAt);
    EXPECT_LE(findings.audioAt, c.audioAt + c.lostAtMost);
    ASSERT_EQ(findings.inPlace, c.inPlace);
    if (c.inPlace) {
        // The form identifier goes last, after a flush of the rest, and is
        // wiped first where a RIFF form's stood.
        const Bytes form(original.begin(), original.begin() + 4);
        const bool formHeld = form == text("RIFF") || form == text("RF64");
        ASSERT_EQ(file.journal.size(), formHeld ? 5u : 3u);
        EXPECT_TRUE(file.journal.end()[-2].flush);
        EXPECT_EQ(file.journal.end()[-3].offset, 4u);
        EXPECT_EQ(file.journal.back().offset, 0u);
        EXPECT_EQ(file.journal.back().bytes.size(), 4u);
        EXPECT_TRUE(sameTime(file.lastWrite, FakeFileAccess::timeBefore));
    } else {
        EXPECT_TRUE(beside.finished);
        EXPECT_TRUE(file.journal.empty());
        const std::size_t header = beside.bytes.size() - (original.size() - findings.audioAt);
        EXPECT_TRUE(std::equal(beside.bytes.begin() + header, beside.bytes.end(), original.begin() + findings.audioAt));
    }
}

const SampleFormat stereo16{2, false, 2};
const Bytes firstSector(512, 0);

INSTANTIATE_TEST_SUITE_P(Recordings, RevivalTest,
    testing::Values(RevivalCase{"zeroedSector", stereo16, Signal::Shared, firstSector, 0, 0, stereo16, 0,
                        RevivalFault::None, 512, 0, true, none},
        // The header and the first frames are zeros: the donor's offset keeps
        // them as the silence they were.
        RevivalCase{"zeroedSectorWithDonor", stereo16, Signal::Unrelated, Bytes(44, 0), 0, 468, stereo16, 44,
            RevivalFault::None, 44, 0, true, none},
        RevivalCase{"foreignBytesBefore24bit6ch", {3, false, 6}, Signal::Shared, foreignBytes(1001, 7), 0, 0,
            {3, false, 6}, 0, RevivalFault::None, 1001, 18, false, none},
        RevivalCase{"headerRemains", {1, false, 1}, Signal::Shared,
            waveHead("RIFF", 0, chunk("fmt ", 16, Bytes(16, 0)) + chunk("data", 0)), 0, 0, {1, false, 1}, 44,
            RevivalFault::None, 44, 0, true, none},
        RevivalCase{"fragmentCutInsideAFloatFrame", {4, true, 2}, Signal::Shared, {}, 3, 0, {4, true, 2}, 0,
            RevivalFault::None, 5, 0, false, none},
        RevivalCase{"roomFilledByJunk", {8, true, 1}, Signal::Shared, Bytes(300, 0), 0, 0, {8, true, 1}, 0,
            RevivalFault::None, 300, 0, true, none},
        RevivalCase{"unrelatedChannelsCut", stereo16, Signal::Unrelated, {}, 2, 0, stereo16, 0,
            RevivalFault::ChannelOrder, 0, 0, false, none},
        RevivalCase{"silence", stereo16, Signal::Shared, firstSector, 0, 80000, stereo16, 44, RevivalFault::Silence, 0,
            0, false, none},
        RevivalCase{"noise", stereo16, Signal::Noise, firstSector, 0, 0, stereo16, 0, RevivalFault::NoFit, 0, 0, false,
            none},
        RevivalCase{"widerSamples", {3, false, 2}, Signal::Shared, firstSector, 0, 0, stereo16, 0, RevivalFault::NoFit,
            0, 0, false, {3, false, 2}},
        RevivalCase{"floatStatedAsInteger", {4, true, 1}, Signal::Shared, firstSector, 0, 0, {4, false, 1}, 0,
            RevivalFault::NoFit, 0, 0, false, {4, true, 1}},
        RevivalCase{"stereoStatedAsWideMono", stereo16, Signal::Shared, firstSector, 0, 0, {4, false, 1}, 0,
            RevivalFault::NoFit, 0, 0, false, stereo16},
        // What fits is said even where the channel order stays unproven.
        RevivalCase{"unrelatedFloatStereoStatedAsInteger", {4, true, 2}, Signal::Unrelated, firstSector, 0, 0,
            {4, false, 2}, 0, RevivalFault::NoFit, 0, 0, false, {4, true, 2}},
        // 0x00 is no silence in 8-bit audio: the audio begins after it, not at
        // the donor's offset.
        RevivalCase{"eightBitZerosAfterDonorOffset", {1, false, 1}, Signal::Shared, Bytes(44, 0), 0, 400, {1, false, 1},
            44, RevivalFault::None, 444, 0, true, none},
        // What survives of the header says where the audio begins, and its
        // fmt chunk the format, over the stated one; the chunks stay.
        RevivalCase{"formWipedChunksSurvive", {3, false, 2}, Signal::Unrelated,
            Bytes(12, 0) + fmtChunk(1, 2, 24) + chunk("LIST", 4, text("INFO")) + chunk("data", 0), 0, 0, stereo16, 0,
            RevivalFault::None, 56, 0, true, none},
        RevivalCase{"fmtZeroedDataSurvives", stereo16, Signal::Unrelated,
            waveHead("RIFF", 0, Bytes(24, 0) + chunk("data", allOnes)), 0, 0, stereo16, 0, RevivalFault::None, 44, 0,
            true, none},
        // Another form's identifier before the new rest would read as a
        // header refused, not lost, were the last write never made.
        RevivalCase{"rf64FormFmtZeroed", stereo16, Signal::Unrelated,
            waveHead("RF64", 0, chunk("JUNK", 2, Bytes(2, 0)) + chunk("fmt ", 16, Bytes(16, 0)) + chunk("data", 0)), 0,
            0, stereo16, 0, RevivalFault::None, 54, 0, true, none},
        // A RIFF form's identifier before a header otherwise lost: the audio
        // is sought as it is found once the identifier is wiped.
        RevivalCase{"riffFormBeforeStrayBytes", {2, false, 1}, Signal::Shared,
            text("RIFF") + Bytes(48, 0) + Bytes{0xe0, 0, 0, 0xc0} + Bytes(10, 0), 0, 0, {2, false, 1}, 8,
            RevivalFault::None, 44, 22, true, none},
        RevivalCase{"bextHalfZeroed", stereo16, Signal::Shared,
            Bytes(512, 0) + foreignBytes(90, 3) + fmtChunk(1, 2, 16) + chunk("data", 0), 0, 0, stereo16, 0,
            RevivalFault::None, 634, 0, true, none}),
    [](const testing::TestParamInfo<RevivalCase>& info) { return std::string(info.param.name); });

// Past 4 GiB + 7 bytes the header needs a ds64 chunk, more than the donor's
// header length: it takes the silence after it, in place.
TEST(RevivalTest, RevivesARecordingPast4GiBInPlace) {
    FakeFileAccess file(Bytes(4096, 0) + synthRecording(stereo16, 20000, Signal::Shared), 5 * GiB);
    RevivalFormat format;
    ASSERT_TRUE(statedFormat(44100, 16, 2, false, format));
    format.donorOffset = 44;
    MemoryCreatedFile beside;
    RevivalFindings findings;
    ASSERT_EQ(HeaderReviver().revive(file, "take", format, beside, "take.wav", false, false, findings), Repaired);
    EXPECT_TRUE(findings.inPlace);
    EXPECT_EQ(findings.audioAt, 80u);
    EXPECT_TRUE(beside.bytes.empty());
    SizePlan plan;
    LayoutFindings layout;
    ASSERT_TRUE(planRepair(file, 5 * GiB, plan, layout));
    EXPECT_EQ(layout.fault, LayoutFault::None);
    EXPECT_EQ(plan.count, 0u);
    EXPECT_EQ(plan.dataSize, 5 * GiB - 80);
    EXPECT_EQ(Bytes(file.head.begin(), file.head.begin() + 4), text("RF64"));
}

// Every room a header can fill with whole chunks is filled exactly, past
// 4 GiB with ds64 too, and the default rule finds the result sound; any other
// is refused.
TEST(RevivedHeaderTest, FillsExactlyTheRoomsWholeChunksCanFill) {
    RevivalFormat pcm;
    RevivalFormat floats;
    ASSERT_TRUE(statedFormat(48000, 24, 2, false, pcm));
    ASSERT_TRUE(statedFormat(48000, 32, 1, true, floats));
    for (const RevivalFormat* format : {&pcm, &floats}) {
        for (const std::uint64_t audio : {std::uint64_t(1001), 5 * GiB + 1}) {
            const std::uint64_t shortest = (format->needsFact ? 58 : 44) + (audio > GiB ? 36 : 0);
            for (std::uint64_t room = 1; room < 200; ++room) {
                Bytes header;
                const bool fills = room == shortest || (room >= shortest + 8 && room % 2 == 0);
                ASSERT_EQ(buildRevivedHeader(*format, audio, room, header), fills) << room;
                if (!fills)
                    continue;
                ASSERT_EQ(header.size(), room);
                FakeFileAccess file(header, room + audio);
                SizePlan plan;
                LayoutFindings findings;
                ASSERT_TRUE(planRepair(file, room + audio, plan, findings));
                EXPECT_EQ(findings.fault, LayoutFault::None) << room;
                EXPECT_EQ(plan.count, 0u) << room;
                EXPECT_EQ(plan.dataSize, audio) << room;
            }
        }
    }
}

}

#include "ChunkBytes.h"
#include "ProgramRun.h"
#include "ScratchFiles.h"
#include "SynthRecording.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const SampleFormat stereo16{2, false, 2};

Bytes frames(const SampleFormat& format, std::size_t from = 0) {
    const Bytes all = synthRecording(format, 12000, Signal::Shared);
    return Bytes(all.begin() + from, all.end());
}

// A recording that lost its header, revived by a dry run, then for real, then
// once more: the line of each run, and what the file holds after it.
struct RevivalRun {
    const char* name;
    Bytes file;
    std::vector<std::string> options;
    int status;
    // The line after the file's name, without "would be " in the dry run, NEW
    // standing for the new file's name.
    const char* line;
    // Where the audio begins in the file or the new one, and where the
    // header ends there; 0 for a refusal.
    std::size_t audioAt;
    std::size_t headerEnd;
    const char* again;
};

std::string lineOf(const char* line, const std::string& beside) {
    std::string text = line;
    const std::string::size_type at = text.find("NEW");
    return at == std::string::npos ? text : text.replace(at, 3, beside);
}

class RevivalCommandTest : public testing::TestWithParam<RevivalRun> {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ready()); }

    ScratchDir dir;
};

TEST_P(RevivalCommandTest, RevivesInPlaceOrBesideOrRefusesAndWritesNothingBeforeSaying) {
    const RevivalRun& c = GetParam();
    const std::string donor = dir.file("donor.wav");
    const Bytes sound = frames(stereo16);
    ASSERT_TRUE(writeFile(donor,
        waveHead("RIFF", 36 + sound.size(), fmtChunk(1, 2, 16) + chunk("data", sound.size())) + sound));
    const std::string path = dir.file("FILE0000.CHK");
    const std::string beside = path + ".wav";
    ASSERT_TRUE(writeFile(path, c.file));
    FileTimes times;
    ASSERT_TRUE(readTimes(path, times));
    std::vector<std::string> args = c.options;
    if (args[0] == "--like")
        args.insert(args.begin() + 1, donor);
    args.push_back(path);

    args.insert(args.begin(), "--dry-run");
    const ProgramRun dry = runProgram(repairProgram(), args);
    args.erase(args.begin());
    const std::string would = c.status == 0 ? "would be " : "";
    EXPECT_EQ(dry.out, path + ": " + would + lineOf(c.line, beside) + "\n");
    EXPECT_EQ(readRange(path, 0, 1 << 20), c.file);
    EXPECT_EQ(fileSize(beside), 0u);

    const ProgramRun run = runProgram(repairProgram(), args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, path + ": " + lineOf(c.line, beside) + "\n");
    EXPECT_EQ(run.err, "");
    const bool inPlace = std::string(c.line).find("in place") != std::string::npos;
    const Bytes revived = readRange(inPlace ? path : beside, 0, 1 << 20);
    if (c.status == 0) {
        ASSERT_EQ(revived.size(), c.headerEnd + c.file.size() - c.audioAt);
        EXPECT_TRUE(std::equal(revived.begin() + c.headerEnd, revived.end(), c.file.begin() + c.audioAt));
        EXPECT_EQ(Bytes(revived.begin(), revived.begin() + 4), text("RIFF"));
    }
    if (!inPlace) {
        EXPECT_EQ(readRange(path, 0, 1 << 20), c.file);
    }
    FileTimes after;
    ASSERT_TRUE(readTimes(path, after));
    EXPECT_EQ(after.modified, times.modified);

    const ProgramRun again = runProgram(repairProgram(), args);
    EXPECT_EQ(again.out, path + ": " + lineOf(c.again, beside) + "\n");
    EXPECT_EQ(readRange(inPlace ? path : beside, 0, 1 << 20), revived);
}

INSTANTIATE_TEST_SUITE_P(Recordings, RevivalCommandTest,
    testing::Values(RevivalRun{"zeroedFirstSector", Bytes(512, 0) + frames(stereo16), {"--format", "8000,16,2"}, 0,
                        "repaired (header rebuilt in place, audio from offset 512)", 512, 512, "already sound"},
        // Cut one byte into a frame: the rest of that frame is lost.
        RevivalRun{"rawFragment", frames(stereo16, 1), {"--like"}, 0, "repaired (written to NEW, audio from offset 3)",
            3, 44, "file error (NEW: File exists)"},
        RevivalRun{"widerSamples", Bytes(512, 0) + frames({3, false, 2}), {"--format", "8000,16,2"}, 1,
            "unsupported format (the audio does not look like 16-bit stereo; 24-bit stereo fits)", 0, 0,
            "unsupported format (the audio does not look like 16-bit stereo; 24-bit stereo fits)"}),
    [](const testing::TestParamInfo<RevivalRun>& info) { return std::string(info.param.name); });

}

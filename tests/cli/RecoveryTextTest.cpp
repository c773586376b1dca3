#include "RecoveryText.h"

#include <gtest/gtest.h>

namespace {

// A recording's line names the ranges it lost as its notes do, inclusive, the
// first eight of them, then how many more: at least that many where some were
// left out of the list and only counted.
TEST(RecoveryText, NamesTheRangesLost) {
    std::vector<SourceRange> nine;
    for (std::uint64_t i = 0; i < 9; ++i)
        nine.push_back({i * 4096, 512});
    const struct {
        std::vector<SourceRange> ranges;
        std::uint64_t bytes;
        const char* english;
    } cases[] = {
        {{{1048576, 512}}, 512, "1048576 to 1049087"},
        {nine, 9 * 512,
            "0 to 511, 4096 to 4607, 8192 to 8703, 12288 to 12799, 16384 to 16895, 20480 to 20991, 24576 to 25087, "
            "28672 to 29183, and 1 more"},
        {{{0, 512}}, 1024, "0 to 511, and at least 1 more"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rangesText(Language::English, c.ranges, c.bytes), c.english);
    RecoveredRecording recording;
    recording.name = "DCIM/ZOOM0001.WAV";
    recording.output = "out/ZOOM0001.WAV";
    recording.frames = 48000;
    recording.rate = 48000;
    recording.end = RecordingEnd::Chain;
    recording.foundAs = FoundAs::DeletedEntry;
    recording.unreadable = 512;
    recording.unreadableRanges = {{1048576, 512}};
    EXPECT_EQ(recoveryLine(Language::English, "card.img", recording, false),
        "card.img: recovered DCIM/ZOOM0001.WAV to out/ZOOM0001.WAV (00:01, deleted entry, ended with its chain, 512 "
        "bytes unreadable (bytes 1048576 to 1049087), written as zeros)");
}

}

#include "SoundTail.h"
#include "SynthRecording.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr std::size_t clusterBytes = 32768;

// Where the recording in a cluster of its audio is judged to end: where its
// sound stops continuing, less the zeros that its recorder never wrote.
std::size_t judgedEnd(const SampleFormat& format, const std::vector<unsigned char>& cluster) {
    SoundTail grid(StoredSamples{format, false, false});
    const std::size_t stops = grid.soundStops(cluster.data(), cluster.size(), 0);
    return grid.zerosFrom(cluster.data(), stops, 0);
}

const SampleFormat formats[] = {{2, false, 2}, {3, false, 2}, {2, false, 1}, {4, true, 2}};
const Signal signals[] = {Signal::Shared, Signal::Noise};

}

// A recording that stopped inside its last cluster: its sound, zeros to the
// end of the sector, then what an older recording left in the rest of the
// cluster. Whatever either sounds like, the recording ends at its last frame,
// never in the older sound, however well that sound continues across the
// cluster's end.
TEST(SoundTailTest, aRecordingEndsAtTheLastFrameItsRecorderWrote) {
    for (const SampleFormat& format : formats) {
        const std::size_t frame = format.frameBytes();
        const std::uint32_t frames = static_cast<std::uint32_t>(2 * clusterBytes / frame);
        for (Signal newerSignal : signals) {
            const std::vector<unsigned char> newer = synthRecording(format, frames, newerSignal);
            for (Signal olderSignal : signals) {
                // The older take is at another moment of its sound where the newer one stopped.
                const std::vector<unsigned char> older = synthRecording(format, frames, olderSignal);
                const std::size_t shift = 777 * frame;
                for (std::size_t written = 3000; written < clusterBytes - 1024; written += 2917) {
                    const std::size_t end = written / frame * frame;
                    const std::size_t padded =
                        (end + SoundTail::sectorBytes - 1) / SoundTail::sectorBytes * SoundTail::sectorBytes;
                    if (padded == end)
                        continue;
                    std::vector<unsigned char> cluster(newer.begin(), newer.begin() + end);
                    cluster.resize(padded, 0);
                    cluster.insert(cluster.end(), older.begin() + shift + padded, older.begin() + shift + clusterBytes);
                    EXPECT_EQ(judgedEnd(format, cluster), end)
                        << format.width << "-byte " << format.channels << " channels, newer "
                        << static_cast<int>(newerSignal) << ", older " << static_cast<int>(olderSignal) << ", " << end
                        << " bytes written";
                }
            }
            // And a cluster its sound fills throughout does not end early.
            const std::vector<unsigned char> whole(newer.begin(), newer.begin() + clusterBytes);
            EXPECT_EQ(judgedEnd(format, whole), clusterBytes)
                << format.width << "-byte, " << static_cast<int>(newerSignal);
        }
        // In a cluster of 1 MiB, far past the first sectors, as well; and its
        // samples stored big-endian, as AIFF stores them, stop at the same
        // sector (whose end, 1536 * 456, no sample straddles).
        const std::size_t large = 1 << 20;
        const std::vector<unsigned char> newer =
            synthRecording(format, static_cast<std::uint32_t>(large / format.frameBytes() + 1), Signal::Shared);
        const std::size_t end = 700116 / format.frameBytes() * format.frameBytes();
        std::vector<unsigned char> cluster(newer.begin(), newer.begin() + static_cast<std::ptrdiff_t>(end));
        cluster.resize(1536 * 456, 0);
        cluster.resize(large, 0x5A);
        EXPECT_EQ(judgedEnd(format, cluster), end) << format.width << "-byte, a cluster of 1 MiB";
        std::vector<unsigned char> swapped(cluster);
        for (std::size_t at = 0; at + format.width <= large; at += format.width)
            std::reverse(&swapped[at], &swapped[at] + format.width);
        const SoundTail little(StoredSamples{format, false, false});
        const SoundTail big(StoredSamples{format, true, false});
        EXPECT_EQ(big.soundStops(swapped.data(), large, 0), little.soundStops(cluster.data(), large, 0))
            << format.width << "-byte, stored big-endian";
    }
}

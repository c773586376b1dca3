#include "ClusterChoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t clusterBytes = 32768;
const SampleFormat mono24{3, false, 1};

// One channel of a console, 24-bit mono: a tone (none for an input with
// nothing plugged in) over a noise floor of its own.
struct Channel {
    double hz = 0;
    double tone = 0;
    double floor = 0;
};

std::vector<unsigned char> channelBytes(const Channel& channel, std::size_t frames, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, channel.floor);
    std::vector<unsigned char> bytes(frames * 3);
    for (std::size_t n = 0; n < frames; ++n) {
        const double swell = 0.6 + 0.4 * std::sin(2 * M_PI * 0.7 * n / 48000);
        const double value = channel.tone * swell * std::sin(2 * M_PI * channel.hz * n / 48000) + noise(random);
        const std::int32_t sample = static_cast<std::int32_t>(std::lround(value * 8388607));
        for (int b = 0; b < 3; ++b)
            bytes[3 * n + b] = static_cast<unsigned char>(sample >> (8 * b));
    }
    return bytes;
}

// The channels' files written in turn, a cluster each, as a console writes
// them, and weighed cluster by cluster as the pass weighs them: every cluster
// the choice gives goes to its own channel; the rest are left to a fork.
// Returns the forks.
std::size_t weighConsole(const std::vector<Channel>& channels, std::size_t rounds) {
    const std::size_t frames = rounds * clusterBytes / 3 + 1;
    std::vector<std::vector<unsigned char>> files;
    for (std::size_t k = 0; k < channels.size(); ++k)
        files.push_back(channelBytes(channels[k], frames, static_cast<unsigned>(k + 1)));
    std::vector<SoundTail> tails(channels.size(), SoundTail(StoredSamples{mono24, false, false}));
    WriteOrder order;
    std::size_t forks = 0;
    for (std::size_t round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < channels.size(); ++k) {
            const unsigned char* cluster = files[k].data() + round * clusterBytes;
            if (round > 0) {
                std::vector<Follower> followers;
                for (std::size_t j = 0; j < channels.size(); ++j)
                    followers.push_back({j, &tails[j], tails[j].strayOf(cluster, clusterBytes)});
                const ClusterChoice choice = chooseFollower(followers, cluster, clusterBytes, order);
                if (choice.kind == ClusterChoice::Kind::Take)
                    EXPECT_EQ(choice.recording, k) << "round " << round;
                else
                    ++forks;
            }
            tails[k].take(cluster, clusterBytes);
            order.took(k);
        }
    }
    return forks;
}

}

// Tones of their own, two channels of one source, and inputs that hold only
// their noise floor, some at one level: the seams tell the tones apart, the
// noise floors' levels and the order of the writes the rest.
TEST(ClusterChoiceTest, aConsolesChannelsEachTakeTheirOwnClusters) {
    std::vector<Channel> channels;
    for (int k = 0; k < 8; ++k)
        channels.push_back({110.0 * (k + 2) * 1.06, 0.3, 4e-5});
    channels.push_back({440, 0.3, 5e-5});
    channels.push_back({440, 0.3, 6e-5});
    for (double floor : {3e-5, 6e-5, 9e-5, 3e-5, 1.2e-4, 3e-5})
        channels.push_back({0, 0, floor});
    const std::size_t forks = weighConsole(channels, 24);
    EXPECT_LE(forks, channels.size() * 24 / 20);
}

// Two tones alone, written in runs: each cluster of a run continues its own
// channel's seam, and the first of the next run the other's.
TEST(ClusterChoiceTest, aSeamDecidesBetweenTwoTones) {
    const std::vector<Channel> channels = {{523, 0.3, 3e-5}, {659, 0.3, 3e-5}};
    EXPECT_EQ(weighConsole(channels, 40), 0u);
}

// The order of the writes: a pattern shown over more than a run names the next
// recording; within one run it names nothing, and its guess goes on with the
// run until it is as long as the last.
TEST(ClusterChoiceTest, theOrderOfTheWritesIsWhatTheWritesShow) {
    WriteOrder order;
    std::size_t named = 0;
    bool twice = false;
    for (int i = 0; i < 12; ++i)
        order.took(7);
    EXPECT_FALSE(order.proven(named, twice));
    ASSERT_TRUE(order.guess({7, 9}, named));
    EXPECT_EQ(named, 7u);

    WriteOrder runs;
    const std::size_t pattern[] = {1, 1, 1, 1, 2, 2, 2, 2};
    for (int turn = 0; turn < 2; ++turn) {
        for (std::size_t recording : pattern)
            runs.took(recording);
    }
    ASSERT_TRUE(runs.proven(named, twice));
    EXPECT_EQ(named, 1u);
    EXPECT_FALSE(twice);
    ASSERT_TRUE(runs.guess({1, 2}, named));
    EXPECT_EQ(named, 1u) << "the run of 2 as long as its last: the other's turn";
    for (std::size_t recording : pattern)
        runs.took(recording);
    ASSERT_TRUE(runs.proven(named, twice));
    EXPECT_TRUE(twice);

    // Recordings let go of are named no more, though their writes stay: their
    // indices may name new recordings.
    runs.forget(1);
    runs.forget(2);
    EXPECT_FALSE(runs.proven(named, twice));
    runs.took(2);
    ASSERT_TRUE(runs.guess({1, 2}, named));
    EXPECT_EQ(named, 2u);
}

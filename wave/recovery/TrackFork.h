#pragma once

#include "SoundTail.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Where a cluster continues two or more recordings alike, each way of taking
// it is followed on through the clusters after it, every recording's sound as
// that way leaves it, until one way stands out: over all the clusters it
// takes, its strays (the least of each, and no less than soundFloor) multiply to
// clearlyBetter squared times less than any other's, a cluster that continues
// nothing counting as continuesBound; or, once the fork closes, standsOut
// times less. Two microphones of one scene whose runs of
// clusters alternate are told apart so: a run that starts where both
// recordings' sound ends is followed by the other's run, which starts there
// too, and only one way lets both continue.
class TrackFork {
public:
    struct Held {
        std::uint32_t cluster = 0;
        std::vector<unsigned char> bytes;
        bool readable = true;
    };
    enum class Verdict { Open, Chosen, Alike };

    // Opens the fork at cluster, whose count bytes at data each of candidates
    // (positions in tails, the open recordings' sound) continues with the
    // stray strays gives. guessed: the candidate the order of the writes
    // guesses (npos for none), taken at the close where the ways weigh alike.
    void open(std::uint32_t cluster, const unsigned char* data, std::size_t count, const std::vector<SoundTail>& tails,
        const std::vector<std::size_t>& candidates, const std::vector<double>& strays, std::size_t guessed);
    bool active() const { return !held.empty(); }

    // A cluster that no chain claims and that begins no recording: each way
    // gives it to the recording it continues best, or ends there.
    void take(std::uint32_t cluster, const unsigned char* data, std::size_t count, bool readable);

    // Whether a way stands out, or (once closing, every way has ended or the
    // clusters held fill the fork) none does; at the close the guessed way is
    // chosen unless another leads it as widely as one that stands out early.
    Verdict verdict(bool closing);
    // The position of the recording that takes the first cluster in the way
    // chosen, and those the first cluster continued alike.
    std::size_t chosen() const { return ways[winner].first; }
    const std::vector<std::size_t>& candidates() const { return tied; }
    // The clusters held, for the verdict to be carried out; the fork closes.
    std::vector<Held> close();

    // The most the fork holds: past the runs of clusters recorders write
    // alternately, the ways only take the same clusters in turn.
    static constexpr std::size_t mostBytes = 8 << 20;
    static constexpr std::size_t mostClusters = 64;
    // Over the clusters of two runs, the evidence of two seams: less than
    // clearlyBetter asks of one.
    static constexpr double standsOut = 2.5;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

private:
    struct Way {
        std::size_t first = 0;
        std::vector<SoundTail> tails;
        std::vector<char> stopped;
        double score = 0;
        bool ended = false;
    };

    // The best way and the gap to the next; gap is infinite with one way.
    std::size_t best(double& gap) const;

    std::vector<Way> ways;
    std::vector<Held> held;
    std::vector<std::size_t> tied;
    std::size_t bytesHeld = 0;
    std::size_t guessedWay = npos;
    std::size_t winner = 0;
};

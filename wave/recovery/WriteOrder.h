#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The order in which a recorder wrote the files it wrote at once, as the
// clusters the pass gave to the recordings followed by their sound tell it:
// a console writes its channels in turn, a cluster each; a 4-channel recorder
// writes its two files in runs. Where the sound cannot tell which recording a
// cluster continues (the noise floor of inputs with nothing plugged in, two
// microphones of one source), the order can: the recording it names is the
// one the pattern of the writes gives the next cluster.
class WriteOrder {
public:
    // A cluster went to recording (an index of the scan's recordings).
    void took(std::size_t recording);
    // The recording that took the cluster just before, if any.
    bool last(std::size_t& recording) const;

    // The recording the next cluster goes to where the last writes (a whole
    // period, 8 at least, and more than the last run of one recording) repeat
    // those a period before (of any length up to mostPeriod): a pattern the
    // card shows. False where none does. twice: the writes repeated it at
    // least twice over, which chance hardly does.
    bool proven(std::size_t& recording, bool& twice) const;

    // A weaker guess, for when the sound weighs two ways alike and nothing
    // better tells: the recording that just took a cluster goes on while its
    // run is shorter than the runs before it; otherwise the one among open
    // that has waited longest takes its turn.
    bool guess(const std::vector<std::size_t>& open, std::size_t& recording) const;

    // Forgets a recording that is gone, so that its index may name another:
    // the writes it made stay in the pattern, made by none that is open.
    void forget(std::size_t recording);

    static constexpr std::size_t mostPeriod = 256;

private:
    // The recordings of the clusters taken, the last 2 * mostPeriod + 1.
    std::vector<std::size_t> history;
    std::uint64_t count = 0;
    // agree[p]: how many clusters in a row went to the recording that took
    // the cluster p before.
    std::vector<std::uint64_t> agree = std::vector<std::uint64_t>(mostPeriod + 1, 0);
    // Where the current run began, and the length of the last run that ended.
    std::uint64_t runStart = 0;
    std::uint64_t previousRun = 0;
    // By recording index: the clusters taken when it last took one, and the
    // length of its last run that ended.
    std::vector<std::uint64_t> lastTaken;
    std::vector<std::uint64_t> lastRun;

    std::size_t back(std::size_t distance) const;

    // In the history, the writes of a recording forgotten.
    static constexpr std::size_t gone = static_cast<std::size_t>(-1);
};

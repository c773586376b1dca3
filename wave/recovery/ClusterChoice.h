#pragma once

#include "SoundTail.h"
#include "WriteOrder.h"

#include <cstddef>
#include <vector>

// A recording followed by its sound, as it stands when the next cluster comes:
// its index among the scan's recordings, its sound so far, and how far the
// cluster's first frames stray from its last (SoundTail::strayOf).
struct Follower {
    std::size_t recording = 0;
    const SoundTail* tail = nullptr;
    double stray = 0;
};

// Which follower a cluster that no chain claims goes to.
struct ClusterChoice {
    enum class Kind {
        // It continues none of them.
        None,
        // It goes to recording.
        Take,
        // Those at candidates (positions among the followers) continue it
        // alike, and the clusters after it are to tell; guessed is the
        // position the order of the writes names (npos for none).
        Fork
    };
    Kind kind = Kind::None;
    std::size_t recording = 0;
    std::vector<std::size_t> candidates;
    std::size_t guessed = npos;

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
};

// Weighs the count bytes at cluster against the followers:
// - a follower whose seam strays past continuesBound is no candidate;
// - where the order of the writes shows its pattern twice over, the one it
//   names takes the cluster among the candidates;
// - else a seam clearly better than every other (strays below soundFloor
//   counting as soundFloor) decides, where the sound is smooth and the order
//   names no other whose seam is as good as sound's (soundSeam);
// - a noise floor's seam tells nothing: among those of the cluster's level the
//   order names the one;
// - among many alike the order names the one whose seam is as good as
//   sound's; a few alike are forked, the order's guess kept for the fork's
//   close.
ClusterChoice chooseFollower(const std::vector<Follower>& followers, const unsigned char* cluster, std::size_t count,
    const WriteOrder& order);

#include "ClusterChoice.h"

#include <algorithm>
#include <cmath>

namespace {

// Recordings alike past this many are told apart by the order of the writes
// rather than a fork, whose ways weigh too many alike seams.
constexpr std::size_t fewForFork = 3;
// The ways a fork weighs at most.
constexpr std::size_t mostWays = 8;
// Audio this rough (see Texture) is noise, whose seams tell nothing.
constexpr double roughBound = 1;
// Noise floors whose mean squares differ by less than this factor (in their
// logarithm's difference) may be one and the same.
constexpr double levelTolerance = 0.2;

bool sameLevel(const Texture& a, const Texture& b) {
    if (a.level <= 0 || b.level <= 0)
        return a.level == b.level;
    return std::fabs(std::log(a.level / b.level)) <= levelTolerance;
}

// The recording among the given the order of the writes names: the one the
// card shows, or else its guess.
bool orderNames(const WriteOrder& order, const std::vector<std::size_t>& among, std::size_t& named) {
    bool twice = false;
    if (order.proven(named, twice) && std::find(among.begin(), among.end(), named) != among.end())
        return true;
    return order.guess(among, named);
}

ClusterChoice taking(std::size_t recording) {
    ClusterChoice choice;
    choice.kind = ClusterChoice::Kind::Take;
    choice.recording = recording;
    return choice;
}

}

ClusterChoice chooseFollower(const std::vector<Follower>& followers, const unsigned char* cluster, std::size_t count,
    const WriteOrder& order) {
    std::vector<std::size_t> plausible;
    std::size_t best = 0;
    for (std::size_t position = 0; position < followers.size(); ++position) {
        if (followers[position].stray > continuesBound)
            continue;
        if (plausible.empty() || followers[position].stray < followers[best].stray)
            best = position;
        plausible.push_back(position);
    }
    if (plausible.empty())
        return ClusterChoice();
    const auto strayOf = [&](std::size_t recording) {
        for (const Follower& follower : followers) {
            if (follower.recording == recording)
                return follower.stray;
        }
        return continuesBound + 1;
    };
    // The order of the writes, where the card shows it twice over: two tracks
    // of one source continue each other's seams, a noise floor's seam tells
    // nothing, and a sound's own seam may stray at a transient.
    std::size_t proven = 0;
    bool twice = false;
    if (order.proven(proven, twice) && twice && strayOf(proven) <= continuesBound)
        return taking(proven);
    if (plausible.size() == 1)
        return taking(followers[best].recording);

    double second = continuesBound + 1;
    std::vector<std::size_t> indices;
    for (std::size_t position : plausible) {
        indices.push_back(followers[position].recording);
        if (position != best)
            second = std::min(second, followers[position].stray);
    }
    const Texture texture = followers[best].tail->textureOf(cluster, count);
    const bool rough = texture.roughness > roughBound;
    std::size_t named = 0;
    const bool disputed =
        orderNames(order, indices, named) && named != followers[best].recording && strayOf(named) <= soundSeam;
    if (!rough && !disputed && second >= clearlyBetter * std::max(followers[best].stray, soundFloor))
        return taking(followers[best].recording);

    std::vector<std::size_t> candidates;
    for (std::size_t position : plausible) {
        const SoundTail& tail = *followers[position].tail;
        if (!rough || sameLevel(tail.textureOf(cluster, count), tail.lastTexture()))
            candidates.push_back(position);
    }
    if (candidates.empty())
        candidates = plausible;
    std::vector<std::size_t> alike;
    for (std::size_t position : candidates)
        alike.push_back(followers[position].recording);
    if (alike.size() == 1)
        return taking(alike.front());
    const bool guessed = orderNames(order, alike, named);
    if (guessed && (rough || (alike.size() >= fewForFork && strayOf(named) <= soundSeam)))
        return taking(named);
    // A fork weighs a few ways: those whose seams stray least, and the one
    // the order names.
    std::sort(candidates.begin(), candidates.end(),
        [&](std::size_t a, std::size_t b) { return followers[a].stray < followers[b].stray; });
    if (candidates.size() > mostWays) {
        const auto namedAt = std::find_if(candidates.begin(), candidates.end(),
            [&](std::size_t position) { return guessed && followers[position].recording == named; });
        if (namedAt != candidates.end() && namedAt - candidates.begin() >= static_cast<std::ptrdiff_t>(mostWays))
            std::iter_swap(candidates.begin() + (mostWays - 1), namedAt);
        candidates.resize(mostWays);
    }
    std::sort(candidates.begin(), candidates.end());
    ClusterChoice choice;
    choice.kind = ClusterChoice::Kind::Fork;
    choice.candidates = candidates;
    for (std::size_t position = 0; guessed && position < followers.size(); ++position) {
        if (followers[position].recording == named)
            choice.guessed = position;
    }
    return choice;
}

#include "TrackFork.h"

#include <cmath>
#include <limits>

namespace {

double weight(double stray) {
    return std::log(std::max(stray, soundFloor));
}

}

void TrackFork::open(std::uint32_t cluster, const unsigned char* data, std::size_t count,
    const std::vector<SoundTail>& tails, const std::vector<std::size_t>& candidates, const std::vector<double>& strays,
    std::size_t guessed) {
    ways.clear();
    held.clear();
    tied = candidates;
    guessedWay = npos;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        Way way;
        way.first = candidates[i];
        if (candidates[i] == guessed)
            guessedWay = i;
        way.tails = tails;
        way.stopped.assign(tails.size(), 0);
        way.score = weight(strays[i]);
        SoundTail& tail = way.tails[way.first];
        if (tail.soundStops(data, count, 0) < count)
            way.stopped[way.first] = 1;
        else
            tail.take(data, count);
        ways.push_back(std::move(way));
    }
    held.push_back({cluster, std::vector<unsigned char>(data, data + count), true});
    bytesHeld = count;
}

void TrackFork::take(std::uint32_t cluster, const unsigned char* data, std::size_t count, bool readable) {
    for (Way& way : ways) {
        if (way.ended)
            continue;
        double least = std::numeric_limits<double>::infinity();
        std::size_t taker = 0;
        for (std::size_t p = 0; readable && p < way.tails.size(); ++p) {
            if (way.stopped[p])
                continue;
            const double stray = way.tails[p].strayOf(data, count);
            if (stray < least) {
                least = stray;
                taker = p;
            }
        }
        if (least > continuesBound) {
            way.score += weight(continuesBound);
            way.ended = true;
            continue;
        }
        way.score += weight(least);
        if (way.tails[taker].soundStops(data, count, 0) < count)
            way.stopped[taker] = 1;
        else
            way.tails[taker].take(data, count);
    }
    held.push_back({cluster, std::vector<unsigned char>(data, data + count), readable});
    bytesHeld += count;
}

std::size_t TrackFork::best(double& gap) const {
    std::size_t leader = 0;
    for (std::size_t i = 1; i < ways.size(); ++i) {
        if (ways[i].score < ways[leader].score)
            leader = i;
    }
    gap = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < ways.size(); ++i) {
        if (i != leader)
            gap = std::min(gap, ways[i].score - ways[leader].score);
    }
    return leader;
}

TrackFork::Verdict TrackFork::verdict(bool closing) {
    if (held.empty())
        return Verdict::Open;
    double gap = 0;
    winner = best(gap);
    bool allEnded = true;
    for (const Way& way : ways)
        allEnded = allEnded && way.ended;
    const bool full = bytesHeld >= mostBytes || held.size() >= mostClusters;
    // While the ways go on, only a wide lead is taken; at the close, a clear one.
    if (gap >= 2 * std::log(clearlyBetter))
        return Verdict::Chosen;
    if (!closing && !allEnded && !full)
        return Verdict::Open;
    // The guess of the order of the writes holds unless another way leads it
    // widely: two tracks of one scene swap their runs with little cost to
    // the seams.
    if (guessedWay != npos && ways[guessedWay].score - ways[winner].score < 2 * std::log(clearlyBetter)) {
        winner = guessedWay;
        return Verdict::Chosen;
    }
    return gap >= std::log(standsOut) ? Verdict::Chosen : Verdict::Alike;
}

std::vector<TrackFork::Held> TrackFork::close() {
    std::vector<Held> released;
    released.swap(held);
    ways.clear();
    bytesHeld = 0;
    guessedWay = npos;
    return released;
}

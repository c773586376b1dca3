#include "WriteOrder.h"

#include <algorithm>

namespace {

constexpr std::size_t ring = 2 * WriteOrder::mostPeriod + 1;
// The fewest clusters in a row a pattern must have repeated.
constexpr std::uint64_t fewestAgreeing = 8;

}

std::size_t WriteOrder::back(std::size_t distance) const {
    return history[(count - distance) % ring];
}

void WriteOrder::took(std::size_t recording) {
    const std::size_t periods = static_cast<std::size_t>(std::min<std::uint64_t>(mostPeriod, count));
    for (std::size_t p = 1; p <= periods; ++p)
        agree[p] = back(p) == recording ? agree[p] + 1 : 0;
    if (count > 0 && back(1) != recording) {
        previousRun = count - runStart;
        if (back(1) != gone)
            lastRun[back(1)] = previousRun;
        runStart = count;
    }
    if (history.size() < ring)
        history.resize(ring);
    history[count % ring] = recording;
    ++count;
    if (lastTaken.size() <= recording) {
        lastTaken.resize(recording + 1, 0);
        lastRun.resize(recording + 1, 0);
    }
    lastTaken[recording] = count;
}

void WriteOrder::forget(std::size_t recording) {
    std::replace(history.begin(), history.end(), recording, gone);
    if (recording < lastTaken.size()) {
        lastTaken[recording] = 0;
        lastRun[recording] = 0;
    }
}

bool WriteOrder::last(std::size_t& recording) const {
    if (count == 0 || back(1) == gone)
        return false;
    recording = back(1);
    return true;
}

bool WriteOrder::proven(std::size_t& recording, bool& twice) const {
    std::size_t best = 0;
    const std::size_t periods = static_cast<std::size_t>(std::min<std::uint64_t>(mostPeriod, count));
    for (std::size_t p = 1; p <= periods; ++p) {
        const std::uint64_t run = agree[p];
        if (run >= std::max<std::uint64_t>(p, fewestAgreeing) && run > count - runStart
            && (best == 0 || run > agree[best]))
            best = p;
    }
    if (best == 0 || back(best) == gone)
        return false;
    recording = back(best);
    twice = agree[best] >= 2 * std::max<std::uint64_t>(best, fewestAgreeing);
    return true;
}

bool WriteOrder::guess(const std::vector<std::size_t>& open, std::size_t& recording) const {
    std::size_t current = gone;
    if (count == 0 || open.empty())
        return false;
    last(current);
    // A recording forgotten is open no more.
    const bool isOpen = std::find(open.begin(), open.end(), current) != open.end();
    const std::uint64_t before = isOpen && lastRun[current] != 0 ? lastRun[current] : previousRun;
    if (isOpen && (before == 0 || count - runStart < before)) {
        recording = current;
        return true;
    }
    // The turn of the one that has waited longest (a recording that has taken
    // none yet the longest of all).
    recording = open.front();
    for (std::size_t candidate : open) {
        const std::uint64_t taken = candidate < lastTaken.size() ? lastTaken[candidate] : 0;
        const std::uint64_t chosen = recording < lastTaken.size() ? lastTaken[recording] : 0;
        if (candidate != current && (recording == current || taken < chosen))
            recording = candidate;
    }
    return recording != current || open.size() == 1;
}

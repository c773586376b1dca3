#include "ChainWalk.h"

#include "ClusterBitmap.h"
#include "ClusterMap.h"

ChainWalk::ChainWalk(ClusterMap& map, std::uint32_t first, std::uint64_t limit, bool contiguous,
    std::initializer_list<const ClusterBitmap*> stops)
    : map(map), pending(first), limit(limit), contiguous(contiguous) {
    std::size_t kept = 0;
    for (const ClusterBitmap* set : stops) {
        if (set != nullptr && kept < stopAt.size())
            stopAt[kept++] = set;
    }
}

ChainWalk::~ChainWalk() = default;

bool ChainWalk::finish(ChainEnd how, std::uint32_t link) {
    ended = how;
    lastLink = link;
    return false;
}

bool ChainWalk::next(ClusterRun& run) {
    if (ended != ChainEnd::Running)
        return false;
    const VolumeGeometry& volume = map.geometry();
    const std::uint32_t at = pending;
    if (contiguous && limit == 0)
        return finish(ChainEnd::End, 0);
    if (!validCluster(volume, at))
        return finish(ChainEnd::OutOfRange, at);
    if (clusters >= limit)
        return finish(ChainEnd::TooLong, at);

    std::uint32_t last;
    ChainEnd after = ChainEnd::Running;
    std::uint32_t link = 0;
    if (contiguous) {
        // A file longer than the volume leaves it.
        const std::uint64_t room = 2 + std::uint64_t(volume.clusterCount) - at;
        const std::uint64_t wanted = limit - clusters;
        last = static_cast<std::uint32_t>(at + (wanted < room ? wanted : room) - 1);
        after = wanted <= room ? ChainEnd::End : ChainEnd::OutOfRange;
        link = after == ChainEnd::End ? 0 : last + 1;
    } else {
        Stretch stretch;
        if (!map.stretchFrom(at, stretch))
            return finish(map.unread() ? ChainEnd::Unread : ChainEnd::Free, at);
        last = stretch.last;
        link = stretch.link;
        switch (map.kindOf(stretch.link)) {
        case LinkKind::Next:
            pending = stretch.link;
            break;
        case LinkKind::Bad:
            // The stretch's last cluster is itself the bad one.
            if (last == at)
                return finish(ChainEnd::Bad, at);
            link = last--;
            after = ChainEnd::Bad;
            break;
        case LinkKind::End:
            after = ChainEnd::End;
            break;
        case LinkKind::Reserved:
            after = ChainEnd::Reserved;
            break;
        case LinkKind::Free:
            // A stretch links nowhere only where the FAT after it was not
            // read.
            after = ChainEnd::Unread;
            link = last + 1;
            break;
        default:
            after = ChainEnd::OutOfRange;
            break;
        }
    }

    const std::uint32_t own = firstSeen(at, last);
    std::uint32_t held = 0;
    for (const ClusterBitmap* set : stopAt) {
        const std::uint32_t marked = set != nullptr ? set->firstMarked(at, last) : 0;
        held = marked != 0 && (held == 0 || marked < held) ? marked : held;
    }
    const std::uint32_t met = own != 0 && (held == 0 || own <= held) ? own : held;
    if (met == at)
        return finish(met == own ? ChainEnd::Loop : ChainEnd::Joined, at);
    if (met != 0) {
        after = met == own ? ChainEnd::Loop : ChainEnd::Joined;
        link = met;
        last = met - 1;
    }
    std::uint64_t count = std::uint64_t(last) - at + 1;
    if (count > limit - clusters) {
        count = limit - clusters;
        after = ChainEnd::TooLong;
        link = static_cast<std::uint32_t>(at + count);
    }
    run = {at, static_cast<std::uint32_t>(count)};
    clusters += count;
    if (after != ChainEnd::Running) {
        ended = after;
        lastLink = link;
    } else {
        remember(run);
    }
    return true;
}

std::uint32_t ChainWalk::firstSeen(std::uint32_t first, std::uint32_t last) const {
    if (seen)
        return seen->firstMarked(first, last);
    auto after = runs.upper_bound({first, ~0u});
    if (after != runs.begin() && std::prev(after)->second >= first)
        return first;
    return after != runs.end() && after->first <= last ? after->first : 0;
}

void ChainWalk::remember(const ClusterRun& run) {
    if (!seen && runs.size() < runsRemembered) {
        runs.insert({run.first, run.first + run.count - 1});
        return;
    }
    if (!seen) {
        seen = std::make_unique<ClusterBitmap>(map.mappedEnd(), map.budget());
        for (const auto& held : runs)
            seen->mark(held.first, held.second - held.first + 1);
        runs.clear();
    }
    seen->mark(run.first, run.count);
    // A set that can no longer tell the chain's clusters apart would end it
    // at a loop it does not have.
    if (seen->coarse() != 0)
        finish(ChainEnd::TooLong, run.first + run.count);
}

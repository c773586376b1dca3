#include "ClusterBitmap.h"

#include "ScanBudget.h"

#include <algorithm>

namespace {

constexpr std::uint64_t pageClusters = 1ull << ClusterBitmap::pageShift;
constexpr std::size_t pageWords = pageClusters / 64;
// Past this many runs a page is kept as bits: each run put among the others
// moves those after it.
constexpr std::size_t maxRuns = 256;

void setBits(std::vector<std::uint64_t>& bits, std::uint32_t from, std::uint32_t to) {
    for (; from < to && from % 64 != 0; ++from)
        bits[from / 64] |= 1ull << (from % 64);
    for (; from + 64 <= to; from += 64)
        bits[from / 64] = ~0ull;
    for (; from < to; ++from)
        bits[from / 64] |= 1ull << (from % 64);
}

}

ClusterBitmap::~ClusterBitmap() {
    budget.give(held);
}

std::uint32_t ClusterBitmap::pageTo(std::uint32_t page) const {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(pageClusters, limit - (std::uint64_t(page) << pageShift)));
}

void ClusterBitmap::fill(std::uint32_t page) {
    const std::uint32_t state = pages[page];
    if (state >= 2) {
        Page& kept = pool[state - 2];
        held -= kept.bytes();
        budget.give(kept.bytes());
        kept = Page();
        freeSlots.push_back(state - 2);
    }
    pages[page] = allMarked;
}

void ClusterBitmap::mark(std::uint32_t first, std::uint32_t count) {
    std::uint64_t from = std::max<std::uint64_t>(first, 2);
    const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t(first) + count, limit);
    if (from >= to)
        return;
    if (pages.empty())
        pages.assign(static_cast<std::size_t>((limit + pageClusters - 1) >> pageShift), noneMarked);
    while (from < to) {
        const std::uint32_t page = static_cast<std::uint32_t>(from >> pageShift);
        const std::uint64_t start = std::uint64_t(page) << pageShift;
        const std::uint64_t stop = std::min(to, start + pageTo(page));
        markPage(page, static_cast<std::uint32_t>(from - start), static_cast<std::uint32_t>(stop - start));
        from = stop;
    }
}

void ClusterBitmap::markPage(std::uint32_t page, std::uint32_t from, std::uint32_t to) {
    if (pages[page] == allMarked)
        return;
    if (from <= pageFrom(page) && to == pageTo(page)) {
        fill(page);
        return;
    }
    const bool fresh = pages[page] == noneMarked;
    if (fresh) {
        std::uint32_t slot = static_cast<std::uint32_t>(pool.size());
        if (freeSlots.empty()) {
            pool.emplace_back();
        } else {
            slot = freeSlots.back();
            freeSlots.pop_back();
        }
        pages[page] = slot + 2;
    }
    Page& kept = pool[pages[page] - 2];
    const std::uint64_t before = fresh ? 0 : kept.bytes();
    if (kept.bits.empty()) {
        // The runs that touch or overlap from to to - 1 become one.
        const auto begin = std::lower_bound(kept.runs.begin(), kept.runs.end(), from,
            [](const Run& run, std::uint32_t at) { return std::uint32_t(run.last) + 1 < at; });
        const auto end = std::upper_bound(begin, kept.runs.end(), to,
            [](std::uint32_t at, const Run& run) { return at < run.first; });
        Run merged = {static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(to - 1)};
        if (begin != end) {
            merged.first = std::min(merged.first, begin->first);
            merged.last = std::max(merged.last, (end - 1)->last);
        }
        const auto at = kept.runs.erase(begin, end);
        kept.runs.insert(at, merged);
        if (kept.runs.size() > maxRuns) {
            std::vector<std::uint64_t> bits(pageWords, 0);
            for (const Run& run : kept.runs)
                setBits(bits, run.first, run.last + 1u);
            kept.runs = std::vector<Run>();
            kept.bits = std::move(bits);
        }
    } else {
        setBits(kept.bits, from, to);
    }
    const std::uint64_t after = kept.bytes();
    if (after > before && !budget.take(after - before)) {
        // What the page held is given back, and all of it counts as marked.
        std::uint64_t marked = 0;
        for (const Run& run : kept.runs)
            marked += run.last - run.first + 1u;
        for (std::uint64_t word : kept.bits)
            marked += static_cast<std::uint64_t>(__builtin_popcountll(word));
        widened += pageTo(page) - pageFrom(page) - marked;
        budget.give(before);
        held -= before;
        kept = Page();
        freeSlots.push_back(pages[page] - 2);
        pages[page] = allMarked;
        return;
    }
    if (after < before)
        budget.give(before - after);
    held = held - before + after;
    if (kept.runs.size() == 1 && kept.runs[0].first <= pageFrom(page) && kept.runs[0].last + 1u == pageTo(page))
        fill(page);
}

bool ClusterBitmap::markedIn(const Page& page, std::uint32_t at) {
    if (!page.bits.empty())
        return (page.bits[at / 64] >> (at % 64)) & 1;
    const auto after = std::upper_bound(page.runs.begin(), page.runs.end(), at,
        [](std::uint32_t value, const Run& run) { return value < run.first; });
    return after != page.runs.begin() && (after - 1)->last >= at;
}

std::int64_t ClusterBitmap::firstInPage(const Page& page, std::uint32_t from, std::uint32_t to) const {
    if (page.bits.empty()) {
        const auto run = std::lower_bound(page.runs.begin(), page.runs.end(), from,
            [](const Run& r, std::uint32_t at) { return r.last < at; });
        if (run == page.runs.end() || run->first >= to)
            return -1;
        return std::max<std::uint32_t>(run->first, from);
    }
    while (from < to) {
        const std::uint64_t word = page.bits[from / 64] >> (from % 64);
        if (word != 0) {
            const std::uint32_t found = from + static_cast<std::uint32_t>(__builtin_ctzll(word));
            return found < to ? std::int64_t(found) : -1;
        }
        from += 64 - from % 64;
    }
    return -1;
}

std::uint32_t ClusterBitmap::firstMarked(std::uint32_t first, std::uint32_t last) const {
    std::uint64_t from = std::max<std::uint32_t>(first, 2);
    const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t(last) + 1, limit);
    while (!pages.empty() && from < to) {
        const std::uint32_t page = static_cast<std::uint32_t>(from >> pageShift);
        const std::uint64_t start = std::uint64_t(page) << pageShift;
        const std::uint64_t stop = std::min(to, start + pageClusters);
        const std::uint32_t state = pages[page];
        if (state == allMarked)
            return static_cast<std::uint32_t>(from);
        if (state != noneMarked) {
            const std::int64_t found = firstInPage(pool[state - 2], static_cast<std::uint32_t>(from - start),
                static_cast<std::uint32_t>(stop - start));
            if (found >= 0)
                return static_cast<std::uint32_t>(start + static_cast<std::uint64_t>(found));
        }
        from = stop;
    }
    return 0;
}

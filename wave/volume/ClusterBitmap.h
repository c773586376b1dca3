#pragma once

#include <cstdint>
#include <vector>

class ScanBudget;

// A set of a volume's clusters, from cluster 2 up to an end: clusters marked,
// for instance, as owned by live files. It is kept in pages of 65536
// clusters: a page of which none or all are marked costs nothing, one of up
// to 256 runs four bytes a run, any other 8 KiB, taken from budget; beside
// that only four bytes a page once anything is marked. Where budget refuses what a
// page needs, the whole page counts as marked from then on, and coarse()
// tells how many clusters that counted without their being marked then (at
// most: later marks may ask for some of them).
class ClusterBitmap {
public:
    // Clusters 2 to end - 1; others are never marked.
    ClusterBitmap(std::uint64_t end, ScanBudget& budget) : limit(end < 2 ? 2 : end), budget(budget) {}
    ~ClusterBitmap();
    ClusterBitmap(const ClusterBitmap&) = delete;
    ClusterBitmap& operator=(const ClusterBitmap&) = delete;

    // Clipped to the set.
    void mark(std::uint32_t first, std::uint32_t count);
    // Inline where the page is uniform: the pass asks of every cluster.
    bool marked(std::uint32_t cluster) const {
        if (cluster < 2 || cluster >= limit || pages.empty())
            return false;
        const std::uint32_t state = pages[cluster >> pageShift];
        return state < 2 ? state == allMarked : markedIn(pool[state - 2], cluster & ((1u << pageShift) - 1));
    }
    // The first marked cluster from first to last, 0 when none is.
    std::uint32_t firstMarked(std::uint32_t first, std::uint32_t last) const;
    std::uint64_t end() const { return limit; }
    std::uint64_t coarse() const { return widened; }

    // The clusters of a page, as a shift.
    static constexpr unsigned pageShift = 16;

private:
    // The states of a page beside one kept in the pool.
    static constexpr std::uint32_t noneMarked = 0;
    static constexpr std::uint32_t allMarked = 1;

    // Clusters first to last of a page, counted from its start.
    struct Run {
        std::uint16_t first;
        std::uint16_t last;
    };
    // Its runs in order, apart from one another; or, where bits is not
    // empty, its bits instead.
    struct Page {
        std::vector<Run> runs;
        std::vector<std::uint64_t> bits;
        std::uint64_t bytes() const { return sizeof(Page) + runs.capacity() * sizeof(Run) + bits.capacity() * 8; }
    };

    void markPage(std::uint32_t page, std::uint32_t from, std::uint32_t to);
    // Whether the page holds the cluster at, counted from its start.
    static bool markedIn(const Page& page, std::uint32_t at);
    // The page's first marked cluster from from to to, counted from its
    // start; -1 when none is.
    std::int64_t firstInPage(const Page& page, std::uint32_t from, std::uint32_t to) const;
    void fill(std::uint32_t page);
    // The clusters of the page inside the set: from, to - 1.
    std::uint32_t pageFrom(std::uint32_t page) const { return page == 0 ? 2 : 0; }
    std::uint32_t pageTo(std::uint32_t page) const;

    std::uint64_t limit;
    ScanBudget& budget;
    // Per page: 0 none marked, 1 all, else 2 + its index in pool.
    std::vector<std::uint32_t> pages;
    std::vector<Page> pool;
    std::vector<std::uint32_t> freeSlots;
    std::uint64_t held = 0;
    std::uint64_t widened = 0;
};

#pragma once

#include <cstdint>
#include <vector>

// One bit for each cluster of a volume, from cluster 2 up to an end:
// clusters marked, for instance, as owned by live files.
class ClusterBitmap {
public:
    // Clusters 2 to end - 1; others are never marked.
    explicit ClusterBitmap(std::uint64_t end) : limit(end < 2 ? 2 : end), bits((limit - 2 + 63) / 64) {}

    // Clipped to the bitmap.
    void mark(std::uint32_t first, std::uint32_t count);
    bool marked(std::uint32_t cluster) const {
        return cluster >= 2 && cluster < limit && ((bits[(cluster - 2) / 64] >> ((cluster - 2) % 64)) & 1);
    }
    // The first marked cluster from first to last, 0 when none is.
    std::uint32_t firstMarked(std::uint32_t first, std::uint32_t last) const;
    std::uint64_t end() const { return limit; }

private:
    std::uint64_t limit;
    std::vector<std::uint64_t> bits;
};

#include "ClusterBitmap.h"

void ClusterBitmap::mark(std::uint32_t first, std::uint32_t count) {
    std::uint64_t from = first < 2 ? 2 : first;
    const std::uint64_t to = std::uint64_t(first) + count < limit ? std::uint64_t(first) + count : limit;
    for (; from < to && (from - 2) % 64 != 0; ++from)
        bits[(from - 2) / 64] |= 1ull << ((from - 2) % 64);
    for (; from + 64 <= to; from += 64)
        bits[(from - 2) / 64] = ~0ull;
    for (; from < to; ++from)
        bits[(from - 2) / 64] |= 1ull << ((from - 2) % 64);
}

std::uint32_t ClusterBitmap::firstMarked(std::uint32_t first, std::uint32_t last) const {
    std::uint64_t at = first < 2 ? 2 : first;
    const std::uint64_t to = std::uint64_t(last) + 1 < limit ? std::uint64_t(last) + 1 : limit;
    while (at < to) {
        const std::uint64_t word = bits[(at - 2) / 64] >> ((at - 2) % 64);
        if (word != 0) {
            unsigned shift = 0;
            while (!((word >> shift) & 1))
                ++shift;
            return at + shift < to ? static_cast<std::uint32_t>(at + shift) : 0;
        }
        at += 64 - (at - 2) % 64;
    }
    return 0;
}

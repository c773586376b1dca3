#include "CachedReads.h"
#include "FakeFileAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Whatever the reads and the writes inside the file, CachedReads answers as the file does, and
// asks the file itself for each end at most once (a small file once in all) plus every read that
// falls in neither.
TEST(CachedReads, AnswersAsTheFileDoesAndReadsEachEndOnce) {
    std::mt19937 random(7);
    for (std::uint64_t size :
        {0ull, 100ull, 600ull, 1024ull, 1025ull, 1300ull, 6000ull, 8192ull, 8193ull, 20000ull, (1ull << 32) + 5000}) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, 20000)));
        for (unsigned char& byte : bytes)
            byte = static_cast<unsigned char>(random());
        FakeFileAccess direct(bytes, size);
        FakeFileAccess inner(bytes, size);
        CachedReads cached(inner);
        ASSERT_TRUE(direct.open("x") && cached.open("x"));
        std::uint64_t known = 0;
        ASSERT_TRUE(cached.getSize(known));
        int outside = 0;
        for (int i = 0; i < 300; ++i) {
            const std::uint64_t offset =
                random() % 2 ? random() % 1500 : size - std::min<std::uint64_t>(size, random() % 800);
            const std::uint32_t count = random() % 40;
            const bool small = size <= CachedReads::wholeBytes;
            const bool inHead = offset + count <= (small ? CachedReads::wholeBytes : CachedReads::headBytes);
            const bool inTail = !small && offset >= size - CachedReads::tailBytes && offset + count <= size;
            outside += inHead || inTail ? 0 : 1;
            if (i % 50 == 49 && offset + 4 <= size) {
                const unsigned char put[4] = {1, 2, 3, static_cast<unsigned char>(i)};
                std::uint32_t a = 0, b = 0;
                EXPECT_EQ(direct.writeAt(offset, put, 4, a), cached.writeAt(offset, put, 4, b));
                continue;
            }
            unsigned char want[40] = {}, got[40] = {};
            std::uint32_t wantDone = 99, gotDone = 98;
            ASSERT_EQ(direct.readAt(offset, want, count, wantDone), cached.readAt(offset, got, count, gotDone));
            ASSERT_EQ(wantDone, gotDone) << size << " at " << offset;
            EXPECT_TRUE(std::equal(want, want + wantDone, got)) << size << " at " << offset;
        }
        EXPECT_LE(std::count(inner.calls.begin(), inner.calls.end(), FakeFileAccess::Step::Read),
            (size <= CachedReads::wholeBytes ? 1 : 2) + outside)
            << size;
    }
}

}

#include "BootSector.h"
#include "ChainWalk.h"
#include "ClusterBitmap.h"
#include "ClusterMap.h"
#include "ClusterOwnership.h"
#include "DirectoryWalk.h"
#include "JsonValue.h"
#include "LostChains.h"
#include "MemoryByteSource.h"
#include "PartitionTable.h"
#include "PosixByteSource.h"
#include "ScanBudget.h"
#include "SourceReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Runs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The maker's images and manifest, made once per run in the working folder;
// why not, where it could not make them.
const JsonValue& cardImages(std::string& why) {
    static JsonValue manifest;
    static std::string failure = [] {
        const char* chosen = std::getenv("SONORIX_CARD_MAKER");
        const std::string command = std::string("timeout 300 ") + SONORIX_PYTHON + " '"
            + (chosen ? chosen : SONORIX_CARD_MAKER) + "' card-images >card-images.log 2>&1";
        const int status = std::system(command.c_str());
        const std::string log = readText("card-images.log");
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return (WIFEXITED(status) && WEXITSTATUS(status) == 77 ? "skip: " : "") + log;
        return parseJson(readText("card-images/manifest.json"), manifest) ? std::string()
                                                                          : "unreadable manifest\n" + log;
    }();
    why = failure;
    return manifest;
}

Runs runsOf(const JsonValue& list) {
    Runs runs;
    for (const JsonValue& run : list.items)
        runs.emplace_back(run[0].integer(), run[1].integer());
    return runs;
}

Runs walkRuns(ClusterMap& map, std::uint32_t first, ChainEnd& end) {
    ChainWalk walk(map, first, map.geometry().clusterCount);
    Runs runs;
    ClusterRun run;
    while (walk.next(run))
        runs.emplace_back(run.first, run.count);
    end = walk.end();
    return runs;
}

// Every entry, chain, owned cluster and lost chain of one volume against what
// its maker wrote (and The Sleuth Kit confirmed).
void checkVolume(SourceReader& reader, const VolumeLocation& location, const JsonValue& expected) {
    VolumeGeometry geometry;
    const BootFindings boot = readBootSector(reader, location, geometry);
    ASSERT_EQ(boot.fault, BootFault::None);
    EXPECT_EQ(boot.backupUsed, !expected["damage"].isNull());
    EXPECT_EQ(geometry.clusterBytes, expected["cluster_bytes"].integer());
    EXPECT_EQ(geometry.clusterCount, expected["cluster_count"].integer());
    EXPECT_EQ(geometry.heapOffset, expected["heap_offset"].integer());

    ScanBudget budget(ScanBudget::defaultMemory, 1 << 30);
    ClusterMap map(reader, geometry, budget);
    const MapFindings mapped = map.read();
    EXPECT_FALSE(mapped.fatCutShort || mapped.fatUnreadable || mapped.onDemand || mapped.noBitmap);
    std::vector<VolumeEntry> entries;
    const WalkFindings walked = walkDirectories(map, [&](const VolumeEntry& entry) { entries.push_back(entry); });
    EXPECT_EQ(walked.damagedEntries + walked.revisited, 0u);

    ClusterBitmap owned(map.mappedEnd(), budget);
    markSystemClusters(map, owned);
    for (const VolumeEntry& entry : entries) {
        if (!entry.deleted)
            markEntryClusters(map, entry, owned);
    }
    std::size_t listed = 0;
    for (const JsonValue& file : expected["files"].items) {
        SCOPED_TRACE(file["path"].isNull() ? "lost chain" : file["path"].text);
        listed += !file["path"].isNull();
        const auto entry = std::find_if(entries.begin(), entries.end(),
            [&](const VolumeEntry& e) { return e.path == file["path"].text; });
        if (!file["path"].isNull()) {
            ASSERT_NE(entry, entries.end());
            EXPECT_EQ(entry->deleted, file["deleted"].boolean);
            EXPECT_EQ(entry->directory, file["directory"].boolean);
            EXPECT_EQ(entry->firstCluster, file["first"].integer());
            EXPECT_EQ(entry->size, file["size"].integer());
            if (geometry.kind == VolumeKind::ExFat) {
                EXPECT_EQ(entry->validLength, file["valid"].integer());
                EXPECT_EQ(entry->contiguous, file["contiguous"].boolean);
            } else {
                EXPECT_EQ(entry->shortName, file["short"].text);
            }
        }
        ChainEnd end;
        const std::uint32_t first = static_cast<std::uint32_t>(runsOf(file["runs"])[0].first);
        const Runs chain = walkRuns(map, first, end);
        const std::string how = file["chain"].text;
        EXPECT_EQ(end, how == "end" ? ChainEnd::End : how == "loop" ? ChainEnd::Loop : ChainEnd::Free);
        EXPECT_EQ(chain, how == "none" ? Runs() : runsOf(file["runs"]));
        for (const auto& run : runsOf(file["runs"])) {
            for (std::uint64_t c = run.first; c < run.first + run.second && !file["owned"].isNull(); ++c)
                EXPECT_EQ(owned.marked(static_cast<std::uint32_t>(c)), file["owned"].boolean) << "cluster " << c;
        }
    }
    EXPECT_EQ(entries.size(), listed);

    Runs lost;
    forEachLostChain(map, {&owned}, [&](const LostChain& chain) {
        EXPECT_EQ(chain.end, ChainEnd::End);
        lost.emplace_back(chain.first, chain.clusters);
    });
    Runs expectedLost;
    for (const JsonValue& chain : expected["lost"].items)
        expectedLost.emplace_back(chain["first"].integer(), chain["clusters"].integer());
    EXPECT_EQ(lost, expectedLost);
}

TEST(VolumeTest, ReadsEveryCardAsItsMakerLeftIt) {
    std::string why;
    const JsonValue& manifest = cardImages(why);
    if (why.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << why;
    ASSERT_EQ(why, "");
    ASSERT_FALSE(manifest["images"].items.empty());
    for (const JsonValue& image : manifest["images"].items) {
        SCOPED_TRACE(image["image"].text);
        PosixByteSource source;
        ASSERT_TRUE(source.open(("card-images/" + image["image"].text).c_str()));
        ASSERT_EQ(source.size(), image["size"].integer());
        SourceReader reader(source);
        const PartitionFindings found = findVolumes(reader);
        const std::string table = image["table"].text;
        EXPECT_EQ(found.scheme,
            table == "mbr"       ? PartitionScheme::Mbr
                : table == "gpt" ? PartitionScheme::Gpt
                                 : PartitionScheme::None);
        EXPECT_EQ(found.gptBackupUsed, image["gpt_backup_used"].boolean);
        EXPECT_FALSE(found.tableDamaged);
        const JsonValue& volumes = image["volumes"];
        ASSERT_EQ(found.volumes.size(), volumes.items.size());
        for (std::size_t i = 0; i < volumes.items.size(); ++i) {
            const VolumeLocation& location = found.volumes[i];
            EXPECT_EQ(location.offset, volumes[i]["offset"].integer());
            EXPECT_STREQ(volumeKindName(location.kind), volumes[i]["kind"].text.c_str());
            EXPECT_EQ(location.cutShort, !image["cut"].isNull());
            if (readableKind(location.kind))
                checkVolume(reader, location, volumes[i]);
        }
        EXPECT_TRUE(reader.failures().empty());
    }
}

std::vector<unsigned char> at(std::size_t offset, const std::string& bytes, std::size_t size = 4096) {
    std::vector<unsigned char> image(size);
    std::copy(bytes.begin(), bytes.end(), image.begin() + offset);
    return image;
}

// What a source holds that is not a FAT or exFAT volume, and the tables that
// go wrong: each named, nothing read past the end.
TEST(VolumeTest, TellsWhatItCannotRead) {
    std::vector<unsigned char> ntfs = at(3, "NTFS    ");
    ntfs[510] = 0x55;
    ntfs[511] = 0xAA;
    // An MBR whose extended partition's record links to itself.
    std::vector<unsigned char> looping(2048);
    const unsigned char primary[] = {0, 0, 0, 0, 0x0F, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0};
    const unsigned char logical[] = {0, 0, 0, 0, 0x0C, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, //
        0, 0, 0, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    std::copy(primary, primary + 16, looping.begin() + 446);
    std::copy(logical, logical + 32, looping.begin() + 512 + 446);
    for (std::size_t sector : {0, 1}) {
        looping[512 * sector + 510] = 0x55;
        looping[512 * sector + 511] = 0xAA;
    }
    const struct {
        const char* what;
        std::vector<unsigned char> bytes;
        std::uint64_t size;
        VolumeKind kind;
        std::size_t volumes;
        bool damaged;
    } cases[] = {
        {"NTFS", ntfs, 1 << 20, VolumeKind::Ntfs, 1, false},
        {"ext4", at(1080, "\x53\xEF"), 1 << 20, VolumeKind::Ext, 1, false},
        {"HFS+", at(1024, "H+"), 1 << 20, VolumeKind::HfsPlus, 1, false},
        {"APFS", at(32, "NXSB"), 1 << 20, VolumeKind::Apfs, 1, false},
        {"zeros", {}, 1 << 20, VolumeKind::Unknown, 1, false},
        {"a few bytes", at(3, "EXFAT   ", 100), 100, VolumeKind::Unknown, 1, false},
        {"a looping extended partition", looping, 2048, VolumeKind::Unknown, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryByteSource source(c.bytes, c.size);
        SourceReader reader(source);
        const PartitionFindings found = findVolumes(reader);
        ASSERT_EQ(found.volumes.size(), c.volumes);
        EXPECT_EQ(found.volumes[0].kind, c.kind);
        EXPECT_EQ(found.tableDamaged, c.damaged);
        VolumeGeometry geometry;
        EXPECT_EQ(readBootSector(reader, found.volumes[0], geometry).fault, BootFault::NotFatOrExFat);
    }
}

// A card that fails part-way: a block of the first FAT is read from the
// second instead, and a read across a bad block loses that block alone.
TEST(VolumeTest, ReadsAroundBlocksThatFail) {
    std::string why;
    const JsonValue& manifest = cardImages(why);
    if (why.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << why;
    ASSERT_EQ(why, "");
    const std::string bytes = readText("card-images/fat12.img");
    MemoryByteSource source(std::vector<unsigned char>(bytes.begin(), bytes.end()), bytes.size());
    SourceReader reader(source);
    VolumeLocation location;
    location.length = bytes.size();
    location.kind = VolumeKind::Fat12;
    VolumeGeometry geometry;
    ASSERT_EQ(readBootSector(reader, location, geometry).fault, BootFault::None);
    const std::uint64_t fatBlock = geometry.fatOffset / 512;
    source.failing = {fatBlock, fatBlock + 1000};

    ScanBudget budget(ScanBudget::defaultMemory, 1 << 30);
    ClusterMap map(reader, geometry, budget);
    EXPECT_FALSE(map.read().fatUnreadable);
    for (const JsonValue& image : manifest["images"].items) {
        const JsonValue& notes = image["volumes"][0]["files"][0];
        if (image["image"].text == "fat12.img") {
            EXPECT_TRUE(map.allocated(static_cast<std::uint32_t>(notes["first"].integer())));
        }
    }
    const std::uint64_t from = (fatBlock + 990) * 512;
    std::vector<unsigned char> span(64 * 1024, 0xAA);
    const ReadGaps gaps = reader.read(from, span.data(), static_cast<std::uint32_t>(span.size()));
    ASSERT_EQ(gaps.ranges.size(), 1u);
    EXPECT_EQ(gaps.ranges[0].range(), (SourceRange{(fatBlock + 1000) * 512, 512}));
    ASSERT_EQ(reader.failures().size(), 2u);
    EXPECT_EQ(reader.failures()[0].offset / 512, fatBlock);
    EXPECT_EQ(reader.failures()[0].offset + reader.failures()[0].length, (fatBlock + 1) * 512);
    EXPECT_EQ(reader.failures()[1].offset, (fatBlock + 1000) * 512);
    EXPECT_EQ(reader.failures()[1].length, 512u);
    EXPECT_EQ(reader.failures()[1].error, EIO);
    std::vector<unsigned char> expected(bytes.begin() + from, bytes.begin() + from + span.size());
    std::fill(expected.begin() + 10 * 512, expected.begin() + 11 * 512, 0);
    EXPECT_EQ(span, expected);
}

// Whatever a read meets, it returns exactly the failing blocks inside it as
// its gaps, zeros there and the source's bytes elsewhere; the reader's list
// holds each failing byte read once. Through a cache that fails whole blocks
// around a bad one, the reads past it still lose the bad blocks alone, each
// failing there no more than once, and once for the piece around it.
TEST(VolumeTest, ReadsLoseTheFailingSectorsAlone) {
    std::srand(31);
    const auto random = [](std::uint64_t below) { return static_cast<std::uint64_t>(std::rand()) % below; };
    for (int trial = 0; trial < 200; ++trial) {
        const std::uint64_t size = 4096 + random(1 << 20);
        std::vector<unsigned char> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(1 + (i * 7 + i / 509 + trial) % 255);
        MemoryByteSource source(bytes, size);
        source.block = trial % 3 == 2 ? 4096 : 512;
        source.cached = trial % 3 == 0 ? 0 : std::uint32_t(16384) << random(4);
        std::vector<bool> bad((size + source.block - 1) / source.block);
        for (std::uint64_t n = random(12); n > 0; --n) {
            const std::uint64_t first = random(bad.size());
            for (std::uint64_t b = first; b < std::min<std::uint64_t>(bad.size(), first + 1 + random(3)); ++b) {
                bad[b] = true;
                source.failing.push_back(b);
            }
        }
        SourceReader reader(source);
        std::vector<bool> failedBytes;
        for (int n = 0; n < 4; ++n) {
            const std::uint64_t offset = random(size);
            const std::uint32_t count = static_cast<std::uint32_t>(1 + random(size - offset));
            std::vector<unsigned char> buffer(count, 0xEE);
            const std::uint64_t before = source.uncachedFailures;
            const ReadGaps gaps = reader.read(offset, buffer.data(), count);
            std::vector<SourceRange> expected;
            std::uint64_t badMet = 0;
            for (std::uint64_t b = offset / source.block; b * source.block < offset + count; ++b) {
                if (!bad[b])
                    continue;
                ++badMet;
                const std::uint64_t from = std::max(offset, b * source.block);
                addRange(expected, {from, std::min({offset + count, (b + 1) * source.block, size}) - from});
            }
            std::vector<SourceRange> got;
            for (const ReadFailure& gap : gaps.ranges) {
                EXPECT_EQ(gap.error, EIO);
                addRange(got, gap.range());
            }
            ASSERT_EQ(got, expected) << "trial " << trial << ": " << count << " bytes at " << offset;
            std::vector<unsigned char> wanted(bytes.begin() + offset, bytes.begin() + offset + count);
            for (const SourceRange& range : expected)
                std::fill_n(wanted.begin() + (range.offset - offset), range.length, 0);
            ASSERT_EQ(buffer, wanted) << "trial " << trial;
            if (source.cached > 0) {
                EXPECT_LE(source.uncachedFailures - before, 2 * badMet) << "trial " << trial;
            }
            failedBytes.resize(size);
            for (const SourceRange& range : expected)
                std::fill_n(failedBytes.begin() + range.offset, range.length, true);
        }
        std::vector<bool> listed(size);
        for (std::size_t i = 0; i < reader.failures().size(); ++i) {
            const ReadFailure& failure = reader.failures()[i];
            EXPECT_TRUE(i == 0 || reader.failures()[i - 1].offset + reader.failures()[i - 1].length < failure.offset);
            std::fill_n(listed.begin() + failure.offset, failure.length, true);
        }
        EXPECT_EQ(listed, failedBytes) << "trial " << trial;
    }
}

// A set of clusters holds what was marked, whatever the pattern (pages of
// runs, and of bits past a few hundred); where its budget runs short it
// holds more, a page at once, and counts the clusters it holds unasked.
TEST(VolumeTest, ClusterSetsHoldWhatWasMarked) {
    for (const std::uint64_t budgetBytes : {std::uint64_t(1) << 30, std::uint64_t(3000)}) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(std::to_string(budgetBytes) + " bytes, seed " + std::to_string(seed));
            const std::uint32_t end = 200000 + seed;
            ScanBudget budget(budgetBytes, 0);
            std::vector<bool> expected(end, false);
            {
                ClusterBitmap set(end, budget);
                std::srand(seed);
                for (int i = 0; i < 16000; ++i) {
                    // Single clusters, short runs, now and then one across
                    // pages.
                    const std::uint32_t first = static_cast<std::uint32_t>(std::rand()) % end;
                    const std::uint32_t count = i % 2 == 0 ? 1 : i % 4000 == 1 ? std::rand() % 70000 : std::rand() % 40;
                    set.mark(first, count);
                    for (std::uint32_t c = std::max(first, 2u); c < end && c - first < count; ++c)
                        expected[c] = true;
                }
                std::uint64_t extra = 0;
                std::vector<std::uint32_t> next(end + 1, 0);
                for (std::uint32_t c = end; c-- > 0;) {
                    ASSERT_TRUE(set.marked(c) || !expected[c]) << c;
                    extra += set.marked(c) && !expected[c];
                    next[c] = set.marked(c) ? c : next[c + 1];
                }
                // Counted when the page filled; marks after may have asked
                // for some of them.
                EXPECT_LE(extra, set.coarse());
                EXPECT_EQ(extra == 0, budgetBytes > 1000000);
                for (int i = 0; i < 3000; ++i) {
                    const std::uint32_t first = static_cast<std::uint32_t>(std::rand()) % end;
                    const std::uint32_t last = first + static_cast<std::uint32_t>(std::rand() % (i % 2 ? 100 : 200000));
                    const std::uint32_t found = next[first] <= last ? next[first] : 0;
                    ASSERT_EQ(set.firstMarked(first, last), found) << first << " to " << last;
                }
            }
            // Everything taken from the budget is given back.
            EXPECT_TRUE(budget.take(budgetBytes));
        }
    }
}

// The POSIX source opens an image or a block device alone, for reading, and
// reading leaves the image's times as they were.
TEST(VolumeTest, PosixSourceReadsImagesAlone) {
    const std::string image = "posix-source.img";
    std::ofstream(image, std::ios::binary) << std::string(5000, 'x');
    struct stat before;
    ASSERT_EQ(stat(image.c_str(), &before), 0);
    PosixByteSource source;
    ASSERT_TRUE(source.open(image.c_str()));
    EXPECT_FALSE(source.isDevice());
    EXPECT_EQ(source.size(), 5000u);
    unsigned char buffer[100];
    std::uint32_t done = 0;
    EXPECT_TRUE(source.readAt(4950, buffer, sizeof buffer, done));
    EXPECT_EQ(done, 50u);
    source.close();
    struct stat after;
    ASSERT_EQ(stat(image.c_str(), &after), 0);
    // The file is this user's own, so the open may ask for no access time.
    for (const auto& times :
        {std::make_pair(before.st_mtim, after.st_mtim), std::make_pair(before.st_atim, after.st_atim)}) {
        EXPECT_EQ(times.first.tv_sec, times.second.tv_sec);
        EXPECT_EQ(times.first.tv_nsec, times.second.tv_nsec);
    }
    unlink(image.c_str());

    for (const char* other : {"/dev/null", "."}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(source.open(other));
        EXPECT_EQ(source.notImageOrDevice(), other[0] == '/');
        EXPECT_EQ(source.lastError(), other[0] == '/' ? EINVAL : EISDIR);
    }
}

}

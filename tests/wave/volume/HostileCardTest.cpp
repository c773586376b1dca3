#include "CountingHeap.h"
#include "HostileCards.h"
#include "MemoryCreatedFile.h"
#include "RecoveryScan.h"
#include "SourceReader.h"
#include "VolumeProperties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class NoFiles : public NewFiles {
public:
    std::unique_ptr<CreatedFile> make() override { return std::make_unique<MemoryCreatedFile>(); }
    std::string reason(const CreatedFile&) const override { return ""; }
    bool nameTaken(const CreatedFile&) const override { return false; }
};

// What a dry run found, and what it noted.
class Found : public RecoveryEvents {
public:
    void recording(const RecoveredRecording& recording) override { recordings.push_back(recording); }
    void refused(const RefusedVolume&) override {}
    void note(const ScanNote& note) override { notes.push_back(note); }
    void progress(std::uint64_t, std::uint64_t, std::size_t) override {}

    std::vector<RecoveredRecording> recordings;
    std::vector<ScanNote> notes;
};

// What a dry run found, counted, and the recordings it passed over.
class Counted : public RecoveryEvents {
public:
    void recording(const RecoveredRecording& recording) override { recordings += recording.result == Repaired; }
    void refused(const RefusedVolume&) override {}
    void note(const ScanNote& note) override {
        if (note.kind == ScanNote::Kind::EntriesPassedOver)
            passedOver += note.value;
    }
    void progress(std::uint64_t, std::uint64_t, std::size_t) override {}

    std::uint64_t recordings = 0;
    std::uint64_t passedOver = 0;
};

// A card whose every cluster from the first after the root's on begins a
// recording's header (sizes 0, as power loss leaves them): the sketch's image
// with the headers laid over it as they are read, so that a card of many
// costs no memory.
class HeaderEveryCluster : public ByteSource {
public:
    HeaderEveryCluster(const CardSketch& sketch, std::uint32_t clusters)
        : image(sketch.image()), first(sketch.clusterAt(3)), clusterBytes(sketch.clusterSize()),
          end(sketch.clusterAt(3 + clusters)) {}

    std::uint64_t size() const override { return image.size(); }
    int lastError() const override { return 0; }
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override {
        if (!image.readAt(offset, buffer, count, done))
            return false;
        static const unsigned char header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
            16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0, 0xEE, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
        for (std::uint64_t at = std::max(offset, first); at < std::min(offset + done, end); ++at) {
            const std::uint64_t within = (at - first) % clusterBytes;
            if (within < sizeof header)
                buffer[at - offset] = header[within];
            else
                at += clusterBytes - within - 1;
        }
        return true;
    }

private:
    MemoryByteSource image;
    std::uint64_t first;
    std::uint32_t clusterBytes;
    std::uint64_t end;
};

// A header at every cluster: each recording is reported or, past the budget,
// counted as passed over, and once the budget is spent the memory a recovery
// holds no longer grows with the recordings it finds.
TEST(HostileCardTest, KeepsWithinItsBudgetForAnyCountOfRecordings) {
    CardSketch::Shape shape;
    shape.clusters = 1 << 16;
    CardSketch sketch(0);
    sketch.volume(shape, 0);
    RecoverySettings settings;
    settings.dryRun = true;
    settings.memory = 2 << 20;
    std::size_t peaks[2] = {};
    for (std::uint32_t clusters : {1u << 14, (1u << 16) - 8}) {
        HeaderEveryCluster image(sketch, clusters);
        SourceReader reader(image);
        Counted counted;
        NoFiles files;
        const std::size_t before = heapNow();
        resetHeapPeak();
        recoverRecordings(reader, files, settings, counted);
        peaks[clusters > 1u << 14] = heapPeak() - before;
        EXPECT_EQ(counted.recordings + counted.passedOver, clusters);
        EXPECT_GT(counted.passedOver, 0u);
    }
    EXPECT_LT(peaks[1], peaks[0] + (256 << 10));
}

// Each card that once held a recovery unbounded keeps every property the fuzz
// target holds images to: bounded memory and reads among them.
TEST(HostileCardTest, KeepWithinTheBounds) {
    for (const HostileCard& card : hostileCards(false)) {
        SCOPED_TRACE(card.name);
        EXPECT_EQ(brokenVolumeProperty(card.sketch, ReadingOptions()), "");
    }
}

// A volume the GPT names 256 times is scanned once, and the others said so;
// a card of 4096-byte sectors behind an MBR that counts in them gives its
// recording from a source that cannot tell its sector size or tells it, and
// none from one that tells another.
TEST(HostileCardTest, ScansEachVolumeOnce) {
    const struct {
        const char* card;
        std::uint32_t sectorBytes;
        std::size_t recordings;
        std::size_t repeated;
    } cases[] = {{"gpt-named-256-times", 0, 1, 255}, {"4kn-mbr", 0, 1, 0}, {"4kn-mbr", 4096, 1, 0},
        {"4kn-mbr", 512, 0, 0}};
    const std::vector<HostileCard> cards = hostileCards(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.card) + ", sectors of " + std::to_string(c.sectorBytes));
        const auto card = std::find_if(cards.begin(), cards.end(),
            [&](const HostileCard& hostile) { return hostile.name == c.card; });
        ASSERT_NE(card, cards.end());
        MemoryByteSource image = card->sketch.image();
        SourceReader reader(image);
        Found found;
        NoFiles files;
        RecoverySettings settings;
        settings.dryRun = true;
        settings.sectorBytes = c.sectorBytes;
        recoverRecordings(reader, files, settings, found);
        ASSERT_EQ(found.recordings.size(), c.recordings);
        for (const RecoveredRecording& recording : found.recordings) {
            EXPECT_EQ(recording.result, Repaired);
            EXPECT_EQ(recording.name, "R0000000.WAV");
        }
        EXPECT_EQ(std::count_if(found.notes.begin(), found.notes.end(),
                      [](const ScanNote& note) {
                          return note.kind == ScanNote::Kind::VolumeRepeated && note.value == 1;
                      }),
            static_cast<std::ptrdiff_t>(c.repeated));
    }
}

}

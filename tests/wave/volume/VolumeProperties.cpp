#include "VolumeProperties.h"

#include "BlockReads.h"
#include "BootSector.h"
#include "ChainWalk.h"
#include "ClusterMap.h"
#include "ClusterOwnership.h"
#include "CountingHeap.h"
#include "DirectoryWalk.h"
#include "LostChains.h"
#include "MemoryCreatedFile.h"
#include "PartitionTable.h"
#include "RecoveryScan.h"
#include "SourceReader.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint64_t maxRecovered = 256 * MiB;
constexpr std::uint64_t maxWritten = 32 * MiB;
// Beyond what a scan keeps: the reads in flight (three of 4 MiB, or one
// cluster of up to 32 MiB) and the clusters a fork holds.
constexpr std::uint64_t heapBeyondBudget = 32 * MiB;

void add(std::string& digest, std::uint64_t value) {
    digest += std::to_string(value);
    digest += ' ';
}

// Everything the layer makes of a source, written down, with the first
// property it broke; volumes counts the volumes read.
std::string readAll(ByteSource& source, std::size_t maxStretches, std::string& broken, std::size_t& volumes) {
    std::string digest;
    SourceReader reader(source);
    // Enough that nothing is cut, so that the readings can agree.
    ScanBudget budget(1ull << 40, 1ull << 40);
    const PartitionFindings found = findVolumes(reader);
    volumes = found.volumes.size();
    add(digest, found.volumes.size() * 4 + found.gptBackupUsed * 2 + found.tableDamaged);
    for (const VolumeLocation& location : found.volumes) {
        add(digest, location.offset);
        add(digest, location.length);
        add(digest, static_cast<unsigned>(location.kind));
        VolumeGeometry volume;
        const BootFindings boot = readBootSector(reader, location, volume);
        add(digest, static_cast<unsigned>(boot.fault) * 2 + boot.backupUsed);
        if (boot.fault != BootFault::None)
            continue;
        const std::uint64_t heapEnd = volume.heapOffset + std::uint64_t(volume.clusterCount) * volume.clusterBytes;
        if (volume.fatOffset < volume.offset || volume.heapOffset < volume.fatOffset + volume.fatBytes
            || heapEnd > volume.offset + volume.length)
            broken = "a volume's regions overlap or leave it";

        ClusterMap map(reader, volume, budget, maxStretches);
        const MapFindings mapped = map.read();
        add(digest, mapped.fatCutShort + mapped.fatUnreadable * 2 + mapped.noBitmap * 4);
        ClusterBitmap owned(map.mappedEnd(), budget);
        ClusterBitmap checked(map.mappedEnd(), budget);
        markSystemClusters(map, owned);
        const auto inside = [&](const ClusterRun& run) {
            return run.count > 0 && validCluster(volume, run.first)
                && validCluster(volume, std::uint64_t(run.first) + run.count - 1);
        };
        const WalkFindings walked = walkDirectories(map, [&](const VolumeEntry& entry) {
            digest += entry.path + ' ';
            add(digest, entry.firstCluster);
            add(digest, entry.size);
            add(digest, entry.deleted + entry.directory * 2 + entry.contiguous * 4 + entry.firstCharacterLost * 8);
            if (entry.firstCluster != 0 && !validCluster(volume, entry.firstCluster))
                broken = "an entry's first cluster lies outside the volume";
            if (entry.name.find('/') != std::string::npos || entry.name == "." || entry.name == "..")
                broken = "an entry's name is no name";
            if (!entry.deleted)
                add(digest, static_cast<unsigned>(markEntryClusters(map, entry, owned)));
            // Every chain's runs, each cluster walked once over all entries.
            ChainWalk walk(map, entry.firstCluster, volume.clusterCount, entry.contiguous, {&checked});
            ClusterRun run;
            while (walk.next(run)) {
                if (!inside(run))
                    broken = "a chain's run lies outside the volume";
                checked.mark(run.first, run.count);
                add(digest, run.first);
            }
        });
        add(digest, walked.directories);
        add(digest, walked.damagedEntries);
        add(digest, walked.revisited + walked.notRead * 2);
        forEachLostChain(map, {&owned}, [&](const LostChain& chain) {
            if (!validCluster(volume, chain.first) || chain.clusters > volume.clusterCount)
                broken = "a lost chain lies outside the volume";
            add(digest, chain.first);
            add(digest, chain.clusters);
        });
    }
    return digest;
}

// What the pass wrote into a new file before its size was set: the
// recording's bytes as found, and which of them were written.
struct Written {
    std::vector<unsigned char> bytes;
    std::vector<char> at;
    std::uint64_t size = 0;
};

class KeptFile : public MemoryCreatedFile {
public:
    explicit KeptFile(std::map<std::string, Written>& files) : files(files) {}

    bool create(const char* path) override {
        name = path;
        kept = &files[name];
        return true;
    }
    // Written under a part name, a recording takes its own once whole.
    bool rename(const char* path) override {
        Written moved = std::move(files[name]);
        files.erase(name);
        name = path;
        kept = &(files[name] = std::move(moved));
        return MemoryCreatedFile::rename(path);
    }
    bool writeAt(std::uint64_t offset, const unsigned char* data, std::uint32_t count) override {
        if (kept != nullptr && !sized) {
            if (kept->bytes.size() < offset + count) {
                kept->bytes.resize(offset + count);
                kept->at.resize(offset + count);
            }
            std::copy(data, data + count, kept->bytes.begin() + static_cast<std::ptrdiff_t>(offset));
            std::fill_n(kept->at.begin() + static_cast<std::ptrdiff_t>(offset), count, 1);
        }
        return MemoryCreatedFile::writeAt(offset, data, count);
    }
    bool resize(std::uint64_t size) override {
        sized = true;
        if (kept != nullptr)
            kept->size = size;
        return MemoryCreatedFile::resize(size);
    }

private:
    std::map<std::string, Written>& files;
    std::string name;
    Written* kept = nullptr;
    bool sized = false;
};

class KeptFiles : public NewFiles {
public:
    std::unique_ptr<CreatedFile> make() override { return std::make_unique<KeptFile>(files); }
    std::string reason(const CreatedFile&) const override { return ""; }
    bool nameTaken(const CreatedFile&) const override { return false; }

    std::map<std::string, Written> files;
};

// What a recovery reports, held to lying inside the source: every recording's
// bytes, and a recording at all only where some were taken; where files are
// written, their bytes held to the image's where the ranges say.
class RecoveryChecks : public RecoveryEvents {
public:
    RecoveryChecks(const CardSketch& sketch, std::string& broken, const KeptFiles* files, const SourceReader& reader)
        : image(sketch.image()), broken(broken), files(files), reader(reader) {}

    void recording(const RecoveredRecording& recording) override {
        for (const SourceRange& range : recording.taken) {
            if (range.length == 0 || range.offset > image.size() || range.length > image.size() - range.offset)
                broken = "a recording's bytes lie outside the image";
        }
        if (recording.result == Repaired && recording.taken.empty())
            broken = "a recording recovered from no bytes";
        if (files != nullptr && recording.result == Repaired && broken.empty())
            compare(recording);
    }
    void refused(const RefusedVolume&) override {}
    void note(const ScanNote&) override {}
    void progress(std::uint64_t read, std::uint64_t, std::size_t) override {
        if (read < last)
            broken = "the progress goes back";
        last = read;
    }

private:
    // The file's bytes as the pass wrote them against the image's along the
    // recording's ranges; where its header was rebuilt, its frames (of 4
    // bytes, as the revival's format has) after the new header.
    void compare(const RecoveredRecording& recording) {
        const auto file = files->files.find(recording.output);
        if (file == files->files.end()) {
            broken = "a recording recovered into no file";
            return;
        }
        const Written& written = file->second;
        const std::uint64_t audioAt = recording.offset - recording.taken.front().offset;
        const std::uint64_t room = recording.revived ? written.size - recording.frames * 4 : 0;
        std::uint64_t at = 0;
        std::uint64_t zeroed = 0;
        std::vector<unsigned char> expected;
        for (const SourceRange& range : recording.taken) {
            expected.resize(static_cast<std::size_t>(range.length));
            std::uint32_t done = 0;
            image.readAt(range.offset, expected.data(), static_cast<std::uint32_t>(range.length), done);
            for (std::uint64_t i = 0; i < range.length; ++i, ++at) {
                if (recording.revived && at < audioAt)
                    continue;
                const std::uint64_t offset = recording.revived ? room + at - audioAt : at;
                if (offset >= written.size || offset >= written.at.size() || !written.at[offset]
                    || written.bytes[offset] == expected[i])
                    continue;
                if (written.bytes[offset] != 0 || !unreadable(range.offset + i)) {
                    broken = "a recovered file holds a byte the image does not hold there";
                    return;
                }
                ++zeroed;
            }
        }
        if (zeroed > recording.unreadable)
            broken = "a recovered file holds zeros for bytes not counted unreadable";
        if (rangesWithin(recording.unreadableRanges, recording.taken) != recording.unreadableRanges
            || recording.unreadable < rangeBytes(recording.unreadableRanges))
            broken = "a recording's unreadable ranges lie outside it, or are not counted";
    }

    bool unreadable(std::uint64_t offset) const {
        for (const ReadFailure& failure : reader.failures()) {
            if (offset >= failure.offset && offset - failure.offset < failure.length)
                return true;
        }
        return false;
    }

    MemoryByteSource image;
    std::string& broken;
    const KeptFiles* files;
    const SourceReader& reader;
    std::uint64_t last = 0;
};

}

std::string brokenVolumeProperty(const CardSketch& sketch, const ReadingOptions& options) {
    std::string broken;
    std::size_t volumes = 0;
    MemoryByteSource image = sketch.image();
    const std::string first = readAll(image, ClusterMap::defaultMaxStretches, broken, volumes);
    if (!broken.empty())
        return broken;
    MemoryByteSource again = sketch.image();
    again.required = options.block;
    again.block = options.block;
    BlockReads blocks(again, options.block);
    if (readAll(blocks, options.maxStretches, broken, volumes) != first)
        broken = "a second reading, in whole blocks, with few stretches held, differs";
    for (const MemoryByteSource* source : {&image, &again}) {
        if (source->bytesRead > (volumes + 1) * (16 * source->size() + MiB))
            broken = "more than 16 times the image read per volume";
    }
    if (!broken.empty() || sketch.size() > maxRecovered)
        return broken;

    RevivalFormat stated;
    statedFormat(48000, 16, 2, false, stated);
    RecoverySettings settings;
    settings.lostHeaders = options.revive ? &stated : nullptr;
    for (bool dryRun : {true, false}) {
        if (!dryRun && sketch.size() > maxWritten)
            break;
        settings.dryRun = dryRun;
        MemoryByteSource scanned = sketch.image();
        scanned.failing = options.failing;
        SourceReader reader(scanned);
        // A dry run makes no file.
        KeptFiles kept;
        RecoveryChecks checks(sketch, broken, dryRun ? nullptr : &kept, reader);
        const std::size_t before = heapNow();
        resetHeapPeak();
        recoverRecordings(reader, kept, settings, checks);
        if (dryRun && heapPeak() - before > settings.memory + heapBeyondBudget)
            broken = "a recovery held more memory than its budget and 32 MiB";
        if (scanned.bytesRead > 4 * scanned.size() + 96 * MiB)
            broken = "a recovery read more than 4 times the image and 96 MiB";
        if (!broken.empty())
            return broken;
    }
    return broken;
}

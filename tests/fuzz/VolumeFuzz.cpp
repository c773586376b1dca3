#include "BlockReads.h"
#include "BootSector.h"
#include "ChainWalk.h"
#include "ClusterMap.h"
#include "ClusterOwnership.h"
#include "DirectoryWalk.h"
#include "FuzzVerdict.h"
#include "LostChains.h"
#include "MemoryByteSource.h"
#include "MemoryCreatedFile.h"
#include "PartitionTable.h"
#include "RecoveryScan.h"
#include "SourceReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t maxImage = 512ull << 20;
constexpr std::uint64_t maxScanned = 64ull << 20;

std::uint64_t load(const std::uint8_t* at, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value |= std::uint64_t(at[i]) << (8 * i);
    return value;
}

// The image an input describes (see tests/cli/make_card_images.py, seed()):
// its size in units of 64 KiB, then patches of (offset, length - 1,
// repetitions - 1, bytes) over zeros.
MemoryByteSource imageOf(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t bytes = std::min(std::max<std::uint64_t>(load(data + 1, 2), 1) << 16, maxImage);
    MemoryByteSource image({}, bytes);
    for (std::size_t at = 3; at + 6 < size;) {
        const std::uint64_t offset = load(data + at, 4);
        const std::size_t length = std::min<std::size_t>(data[at + 4] + 1, size - at - 6);
        const unsigned times = data[at + 5] + 1;
        const std::vector<unsigned char> piece(data + at + 6, data + at + 6 + length);
        std::vector<unsigned char> patch;
        patch.reserve(piece.size() * times);
        for (unsigned i = 0; i < times; ++i)
            patch.insert(patch.end(), piece.begin(), piece.end());
        image.place(offset, patch);
        at += 6 + length;
    }
    return image;
}

// The new files of a dry run: none is made.
class NoNewFiles : public NewFiles {
public:
    std::unique_ptr<CreatedFile> make() override { return std::make_unique<MemoryCreatedFile>(); }
    std::string reason(const CreatedFile&) const override { return ""; }
    bool nameTaken(const CreatedFile&) const override { return false; }
};

// What a recovery reports, held to lying inside the source: every recording's
// bytes, and a recording at all only where some were taken.
class RecoveryChecks : public RecoveryEvents {
public:
    RecoveryChecks(std::uint64_t size, std::string& broken) : size(size), broken(broken) {}

    void recording(const RecoveredRecording& recording) override {
        for (const SourceRange& range : recording.taken) {
            if (range.length == 0 || range.offset > size || range.length > size - range.offset)
                broken = "a recording's bytes lie outside the image";
        }
        if (recording.result == Repaired && recording.taken.empty())
            broken = "a recording recovered from no bytes";
        if (rangesWithin(recording.unreadableRanges, recording.taken) != recording.unreadableRanges
            || recording.unreadable < rangeBytes(recording.unreadableRanges))
            broken = "a recording's unreadable bytes lie outside it, or are not counted";
    }
    void refused(const RefusedVolume&) override {}
    void note(const ScanNote&) override {}
    void progress(std::uint64_t read, std::uint64_t, std::size_t) override {
        if (read < last)
            broken = "the progress goes back";
        last = read;
    }

private:
    std::uint64_t size;
    std::string& broken;
    std::uint64_t last = 0;
};

void add(std::string& digest, std::uint64_t value) {
    digest += std::to_string(value);
    digest += ' ';
}

// Everything the layer makes of a source, written down, with the first
// property it broke; volumes counts the volumes read.
std::string readAll(ByteSource& source, std::size_t maxStretches, std::string& broken, std::size_t& volumes) {
    std::string digest;
    SourceReader reader(source);
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

        ClusterMap map(reader, volume, maxStretches);
        const MapFindings mapped = map.read();
        add(digest, mapped.fatCutShort + mapped.fatUnreadable * 2 + mapped.noBitmap * 4);
        ClusterBitmap owned(map.mappedEnd());
        ClusterBitmap checked(map.mappedEnd());
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
            ChainWalk walk(map, entry.firstCluster, volume.clusterCount, entry.contiguous, &checked);
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
        add(digest, walked.revisited + walked.tooDeep * 2 + walked.budgetSpent * 4);
        forEachLostChain(map, owned, [&](const LostChain& chain) {
            if (!validCluster(volume, chain.first) || chain.clusters > volume.clusterCount)
                broken = "a lost chain lies outside the volume";
            add(digest, chain.first);
            add(digest, chain.clusters);
        });
    }
    return digest;
}

}

// The first byte chooses how few stretches the cluster map keeps on the second
// reading, so that it reads FAT entries on demand, the block size it reads in,
// and whether the recovery revives lost headers; the rest describes the image.
// The in-memory source ends the run on a read outside the image, or on the
// second reading one not of whole aligned blocks; nothing can be written, since
// the source has no write. The readings must agree, the recovery's dry run
// report only bytes of the image, and each must stay within a bound of the
// image's size.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const std::size_t maxStretches = data[0] % 8 == 7 ? ClusterMap::defaultMaxStretches : 1u << (2 * (data[0] % 8));
    const std::uint32_t block = 512u << ((data[0] >> 3) % 4);
    MemoryByteSource image = imageOf(data, size);
    std::string broken;
    std::size_t volumes = 0;
    const std::string first = readAll(image, ClusterMap::defaultMaxStretches, broken, volumes);
    stopOnBrokenProperty(broken);

    MemoryByteSource again = imageOf(data, size);
    again.required = block;
    again.block = block;
    BlockReads blocks(again, block);
    if (readAll(blocks, maxStretches, broken, volumes) != first)
        broken = "a second reading, in whole blocks, with few stretches held, differs";
    stopOnBrokenProperty(broken);

    for (const MemoryByteSource* source : {&image, &again}) {
        if (source->bytesRead > (volumes + 1) * (16 * source->size() + (1 << 20)))
            stopOnBrokenProperty("more than 16 times the image read per volume");
    }
    // The recovery's dry run over the same image, as a revival of lost
    // headers in a stated format looks at every cluster that follows none; it
    // reads the whole image, so only where that is small.
    MemoryByteSource scanned = imageOf(data, size);
    if (scanned.size() > maxScanned)
        return 0;
    SourceReader reader(scanned);
    NoNewFiles files;
    RecoveryChecks checks(scanned.size(), broken);
    RevivalFormat stated;
    statedFormat(48000, 16, 2, false, stated);
    RecoverySettings settings;
    settings.dryRun = true;
    settings.lostHeaders = data[0] % 2 == 0 ? &stated : nullptr;
    recoverRecordings(reader, files, settings, checks);
    stopOnBrokenProperty(broken);

    if (scanned.bytesRead > (volumes + 1) * (16 * scanned.size() + (1 << 20)))
        stopOnBrokenProperty("more than 16 times the image read per volume by the recovery");
    return 0;
}

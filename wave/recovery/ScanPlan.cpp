#include "ScanPlan.h"

#include "ClusterOwnership.h"
#include "Continuity.h"
#include "DirectoryWalk.h"
#include "LostChains.h"
#include "RecordingName.h"
#include "ScanBudget.h"
#include "SourceReader.h"

#include <algorithm>

namespace {

// The first bytes of a recording read for its header, and those that tell
// whether one begins (RIFF, its size, WAVE).
constexpr std::size_t headBytes = 64 * 1024;
constexpr std::uint64_t headerSignature = 12;
// The lost chains whose first bytes are read; a damaged FAT may hold millions.
constexpr std::size_t lostChainsRead = 1 << 16;
// The pieces a recording's clusters may come in.
constexpr std::size_t mostRuns = 1 << 18;
// What a run of a recording's clusters costs it: the run, and its claim.
constexpr std::uint64_t runBytes = sizeof(ClusterRun) + sizeof(ClaimedRun);

RecordingEnd endOf(ChainEnd end) {
    switch (end) {
    case ChainEnd::Loop:
        return RecordingEnd::ChainLoop;
    case ChainEnd::Joined:
        return RecordingEnd::ChainJoined;
    case ChainEnd::Bad:
    case ChainEnd::Reserved:
    case ChainEnd::OutOfRange:
        return RecordingEnd::ChainBroken;
    case ChainEnd::TooLong:
    case ChainEnd::Unread:
        return RecordingEnd::TooFragmented;
    default:
        return RecordingEnd::Chain;
    }
}

class Planner {
public:
    Planner(VolumeScan& scan, RecoveryEvents& events)
        : scan(scan), events(events), map(scan.map), volume(map.geometry()) {}

    ~Planner() { map.budget().give(kept); }

    void plan() {
        markSystemClusters(map, scan.owned);
        const WalkFindings walked = walkDirectories(map, [&](const VolumeEntry& entry) { sort(entry); });
        if (walked.damagedEntries > 0)
            events.note({ScanNote::Kind::DamagedEntries, scan.number, BootFault::None, 0, walked.damagedEntries, 0});
        if (walked.notRead > 0)
            events.note({ScanNote::Kind::FoldersNotRead, scan.number, BootFault::None, 0, walked.notRead, 0});
        for (const VolumeEntry& entry : live)
            judgeLive(entry);
        for (const VolumeEntry& entry : zero)
            takeZero(entry);
        const std::uint64_t unseen = takeLostChains();
        for (const VolumeEntry& entry : deleted)
            wait(entry, FoundAs::DeletedEntry);
        std::sort(scan.claims.begin(), scan.claims.end(),
            [](const ClaimedRun& a, const ClaimedRun& b) { return a.first < b.first; });
        cutAtOwned();
        const std::uint64_t coarse = walked.coarse + unseen + scan.owned.coarse() + scan.claimed.coarse();
        if (coarse > 0)
            events.note({ScanNote::Kind::ClustersPassedOver, scan.number, BootFault::None, 0, coarse, 0});
        if (passedOver > 0)
            events.note({ScanNote::Kind::EntriesPassedOver, scan.number, BootFault::None, 0, passedOver, 0});
        std::stable_sort(scan.pending.begin(), scan.pending.end(),
            [](const PendingStart& a, const PendingStart& b) { return a.cluster < b.cluster; });
        std::sort(scan.dormant.begin(), scan.dormant.end(),
            [](const DormantEntry& a, const DormantEntry& b) { return a.lastCluster < b.lastCluster; });
    }

private:
    // Live files that are no recordings are owned at once; the others wait
    // for a look at their clusters, as far as the budget keeps them.
    void sort(const VolumeEntry& entry) {
        if (entry.directory) {
            if (!entry.deleted)
                markEntryClusters(map, entry, scan.owned);
        } else if (entry.deleted) {
            if (entry.firstCluster != 0)
                hold(deleted, entry);
        } else if (entry.firstCluster == 0) {
            return;
        } else if (writtenBytes(entry) == 0) {
            hold(zero, entry);
        } else if (isRecordingName(entry.name)) {
            hold(live, entry);
        } else {
            markEntryClusters(map, entry, scan.owned);
        }
    }

    void hold(std::vector<VolumeEntry>& entries, const VolumeEntry& entry) {
        const std::uint64_t bytes =
            sizeof(VolumeEntry) + entry.path.capacity() + entry.name.capacity() + entry.shortName.capacity();
        if (!map.budget().take(bytes)) {
            ++passedOver;
            return;
        }
        kept += bytes;
        entries.push_back(entry);
    }

    // Takes what a recording found keeps through the pass from the budget,
    // for the volume's scan; false where it refuses.
    bool afford(const FoundRecording& recording, std::uint64_t more) {
        const std::uint64_t bytes = sizeof(FoundRecording) + recording.fileName.capacity()
            + recording.report.name.capacity() + recording.head.capacity() + recording.chain.size() * runBytes + more;
        if (!map.budget().take(bytes)) {
            ++passedOver;
            return false;
        }
        scan.charged += bytes;
        return true;
    }

    // Where the budget ran short, pages of owned clusters count whole, and a
    // chain claimed before one did may hold clusters the pass will not read:
    // it ends before the first of them.
    void cutAtOwned() {
        if (scan.owned.coarse() == 0)
            return;
        std::vector<std::uint64_t> cut(scan.found.size(), ~0ull);
        for (const ClaimedRun& claim : scan.claims) {
            const std::uint32_t owned = scan.owned.firstMarked(claim.first, claim.first + claim.count - 1);
            if (owned != 0)
                cut[claim.recording] = std::min(cut[claim.recording], claim.index + (owned - claim.first));
        }
        std::vector<ClaimedRun> claims;
        for (const ClaimedRun& claim : scan.claims) {
            const std::uint64_t end = cut[claim.recording];
            if (claim.index < end)
                claims.push_back(
                    {claim.first, static_cast<std::uint32_t>(std::min<std::uint64_t>(claim.count, end - claim.index)),
                        claim.recording, claim.index});
        }
        scan.claims = std::move(claims);
        for (std::size_t i = 0; i < cut.size(); ++i) {
            if (cut[i] == ~0ull)
                continue;
            // Cut before its first cluster, it holds nothing the pass reads.
            if (cut[i] == 0) {
                scan.found[i].reset();
                continue;
            }
            FoundRecording& recording = *scan.found[i];
            recording.chainClusters = cut[i];
            recording.chainEnd = RecordingEnd::TooFragmented;
            recording.followsSound = false;
            std::uint64_t left = cut[i];
            for (std::size_t r = 0; r < recording.chain.size(); ++r) {
                ClusterRun& run = recording.chain[r];
                if (run.count >= left) {
                    run.count = static_cast<std::uint32_t>(left);
                    recording.chain.resize(left > 0 ? r + 1 : r);
                    break;
                }
                left -= run.count;
            }
        }
    }

    // exFAT's valid data length, the bytes written; FAT's size.
    static std::uint64_t writtenBytes(const VolumeEntry& entry) { return std::min(entry.size, entry.validLength); }

    // The runs of the clusters from first: a chain's (at most most of them),
    // or bytes' worth in a row.
    std::vector<ClusterRun> runsFrom(std::uint32_t first, bool contiguous, std::uint64_t bytes, ChainEnd& end,
        std::uint64_t most = ~0ull) {
        const std::uint64_t limit = contiguous ? (bytes + volume.clusterBytes - 1) / volume.clusterBytes
                                               : std::min<std::uint64_t>(most, volume.clusterCount);
        ChainWalk walk(map, first, limit, contiguous, {contiguous ? nullptr : &scan.owned});
        std::vector<ClusterRun> runs;
        ClusterRun run;
        while (runs.size() < mostRuns && walk.next(run)) {
            // A contiguous entry's clusters end at one another file holds.
            const std::uint32_t last = run.first + run.count - 1;
            const std::uint32_t owned = contiguous ? scan.owned.firstMarked(run.first, last) : 0;
            const std::uint32_t claimed = scan.claimed.firstMarked(run.first, last);
            const std::uint32_t held = owned == 0 ? claimed : claimed == 0 ? owned : std::min(owned, claimed);
            if (held != 0) {
                if (held > run.first)
                    runs.push_back({run.first, held - run.first});
                end = ChainEnd::Joined;
                return runs;
            }
            runs.push_back(run);
        }
        end = runs.size() == mostRuns ? ChainEnd::TooLong : walk.end();
        return runs;
    }

    static std::uint64_t clustersIn(const std::vector<ClusterRun>& runs) {
        std::uint64_t count = 0;
        for (const ClusterRun& run : runs)
            count += run.count;
        return count;
    }

    // A recording whose clusters are known: its first bytes read, its header
    // judged; its clusters claimed. False, and nothing claimed, where they do
    // not begin a recording; true, and nothing claimed either, where the
    // budget refuses to keep it (its clusters are left to the pass, as
    // clusters no chain claims).
    bool takeChain(std::unique_ptr<FoundRecording> found) {
        FoundRecording& recording = *found;
        cutAtSourceEnd(recording);
        recording.chainClusters = clustersIn(recording.chain);
        if (recording.chainClusters == 0)
            return false;
        recording.head.resize(std::min<std::uint64_t>(headBytes, recording.chainClusters * volume.clusterBytes));
        // The pass reads the clusters again, for the new file, and counts
        // what fails there; the head only tells whether there is a recording.
        const AlongRead read = readAlong(map, recording.chain, 0, recording.head.size(), recording.head.data());
        recording.head.resize(read.done);
        if (!beginsRecording(recording.head.data(), recording.head.size())) {
            // A recording's entry whose first bytes cannot be read is said so.
            const std::uint64_t first = clusterOffset(volume, recording.chain.front().first);
            if (isRecordingName(recording.fileName) && read.gaps.meets(first, headerSignature)) {
                recording.report.offset = first;
                recording.report.result = FileError;
                recording.report.headUnreadable = read.gaps.ranges.front().range();
                events.recording(recording.report);
            }
            return false;
        }
        recording.head.shrink_to_fit();
        if (!afford(recording, 0))
            return true;
        recording.life = Life::Chained;
        recording.firstCluster = recording.chain.front().first;
        recording.report.offset = clusterOffset(volume, recording.firstCluster);
        std::uint64_t index = 0;
        for (const ClusterRun& run : recording.chain) {
            scan.claimed.mark(run.first, run.count);
            scan.claims.push_back({run.first, run.count, scan.found.size(), index});
            index += run.count;
        }
        scan.found.push_back(std::move(found));
        return true;
    }

    // The clusters of a chain that lie past the end of an image cut short are
    // not there to take.
    void cutAtSourceEnd(FoundRecording& recording) {
        const std::uint64_t present = 2 + std::uint64_t(clustersPresent(volume, map.source().size()));
        for (std::size_t i = 0; i < recording.chain.size(); ++i) {
            ClusterRun& run = recording.chain[i];
            if (run.first + std::uint64_t(run.count) > present) {
                run.count = run.first >= present ? 0 : static_cast<std::uint32_t>(present - run.first);
                recording.chain.resize(run.count > 0 ? i + 1 : i);
                recording.chainEnd = RecordingEnd::SourceEnd;
                recording.followsSound = false;
                return;
            }
        }
    }

    std::unique_ptr<FoundRecording> recordingOf(const VolumeEntry& entry, FoundAs how) {
        auto found = std::make_unique<FoundRecording>();
        found->report.foundAs = how;
        found->report.volume = scan.number;
        found->report.name = entry.path;
        found->firstCluster = entry.firstCluster;
        found->fileName = entry.name;
        found->report.offset = clusterOffset(volume, entry.firstCluster);
        return found;
    }

    // A live recording whose size says less than its clusters hold: a chain
    // longer than the size needs, a header that states more, or sound that
    // goes on in its last cluster past the size. Otherwise it is fine, and
    // owned.
    void judgeLive(const VolumeEntry& entry) {
        ChainEnd end = ChainEnd::End;
        std::vector<ClusterRun> runs = runsFrom(entry.firstCluster, entry.contiguous, entry.size, end);
        const std::uint64_t size = writtenBytes(entry);
        const std::uint64_t clusters = clustersIn(runs);
        std::vector<unsigned char> head(std::min<std::uint64_t>(headBytes, clusters * volume.clusterBytes));
        // Judged alone here: its bytes are read again where it is recovered.
        head.resize(readAlong(map, runs, 0, head.size(), head.data()).done);
        RecordingStart start;
        LayoutFindings findings;
        const bool recording = beginsRecording(head.data(), head.size())
            && readRecordingStart(head.data(), head.size(), start, findings) == StartReading::Read;
        const std::uint64_t needed = (size + volume.clusterBytes - 1) / volume.clusterBytes;
        const bool stale =
            recording && (clusters > needed || start.statedEnd > size || goesOn(runs, size, clusters, start));
        if (!stale) {
            markEntryClusters(map, entry, scan.owned);
            if (recording && clusters == needed && size % volume.clusterBytes == 0)
                sleep(entry, std::move(runs), start);
            return;
        }
        auto found = recordingOf(entry, FoundAs::StaleEntry);
        found->entrySize = size;
        found->chain = std::move(runs);
        found->chainEnd = endOf(end);
        found->followsSound = start.followable;
        takeChain(std::move(found));
    }

    // A live recording whose size ends at its last cluster's end, which may
    // have gone on in the clusters after (a recorder that wrote its entry now
    // and then): its last frames, to be weighed against the first cluster
    // after it that no chain claims. Its own clusters stay owned, and are read
    // again only if it did go on.
    void sleep(const VolumeEntry& entry, std::vector<ClusterRun> runs, const RecordingStart& start) {
        const std::uint64_t size = writtenBytes(entry);
        const std::uint64_t keep = (seamSide + 2) * std::uint64_t(start.frameBytes);
        if (!start.followable || runs.empty() || size < start.audioAt + keep)
            return;
        std::vector<unsigned char> last(static_cast<std::size_t>(keep));
        const AlongRead lastRead = readAlong(map, runs, size - keep, last.size(), last.data());
        if (lastRead.done != last.size() || !lastRead.gaps.none())
            return;
        auto found = recordingOf(entry, FoundAs::StaleEntry);
        FoundRecording& recording = *found;
        if (!afford(recording, runs.size() * runBytes + sizeof(SoundTail) + sizeof(DormantEntry)))
            return;
        recording.life = Life::Dormant;
        recording.entrySize = size;
        recording.start = start;
        recording.started = true;
        recording.tail = std::make_unique<SoundTail>(start.samples);
        recording.tail->skip(size - keep - start.audioAt);
        recording.tail->take(last.data(), last.size());
        recording.chain = std::move(runs);
        scan.dormant.push_back({recording.chain.back().first + recording.chain.back().count - 1, scan.found.size()});
        scan.found.push_back(std::move(found));
    }

    // Whether the sound of a recording of size bytes goes on in its last
    // cluster past that size.
    bool goesOn(const std::vector<ClusterRun>& runs, std::uint64_t size, std::uint64_t clusters,
        const RecordingStart& start) {
        const std::uint64_t end = clusters * volume.clusterBytes;
        const std::uint64_t frame = start.frameBytes;
        if (!start.followable || size % volume.clusterBytes == 0 || size >= end || size < start.audioAt + 3 * frame)
            return false;
        const std::uint64_t from =
            std::max(start.audioAt, size > (seamSide + 2) * frame ? size - (seamSide + 2) * frame : 0);
        const std::uint64_t clusterEnd = (size / volume.clusterBytes + 1) * volume.clusterBytes;
        std::vector<unsigned char> bytes(static_cast<std::size_t>(clusterEnd - from));
        const AlongRead read = readAlong(map, runs, from, bytes.size(), bytes.data());
        if (read.done != bytes.size() || !read.gaps.none())
            return false;
        const std::size_t before = static_cast<std::size_t>(size - from);
        if (std::all_of(bytes.begin() + before, bytes.end(), [](unsigned char b) { return b == 0; })
            || std::all_of(bytes.begin() + before, bytes.end(), [](unsigned char b) { return b == 0xFF; }))
            return false;
        SoundTail tail(start.samples);
        // The frame grid from the audio's start.
        std::vector<unsigned char> skipped(static_cast<std::size_t>(from - start.audioAt) % frame);
        tail.take(skipped.data(), skipped.size());
        tail.take(bytes.data(), before);
        return tail.strayOf(bytes.data() + before, bytes.size() - before) <= continuesBound;
    }

    // A live entry of 0 bytes: its chain where the FAT holds one, else its
    // first cluster, from which its sound is followed.
    void takeZero(const VolumeEntry& entry) {
        if (scan.owned.marked(entry.firstCluster) || scan.claimed.marked(entry.firstCluster))
            return;
        Stretch stretch;
        if (entry.contiguous || !map.stretchFrom(entry.firstCluster, stretch)) {
            wait(entry, FoundAs::ZeroEntry);
            return;
        }
        ChainEnd end = ChainEnd::End;
        auto found = recordingOf(entry, FoundAs::ZeroEntry);
        found->chain = runsFrom(entry.firstCluster, false, 0, end);
        found->chainEnd = endOf(end);
        // A recorder that writes its FAT now and then leaves a chain of the
        // take's first clusters alone.
        found->followsSound = true;
        const std::vector<ClusterRun> runs = found->chain;
        if (!takeChain(std::move(found))) {
            for (const ClusterRun& run : runs)
                scan.owned.mark(run.first, run.count);
        }
    }

    // Chains no entry reaches that begin a recording; the clusters passed over
    // where the budget could not tell them apart.
    std::uint64_t takeLostChains() {
        std::size_t seen = 0;
        std::vector<LostChain> chains;
        const std::uint64_t unseen = forEachLostChain(map, {&scan.owned, &scan.claimed}, [&](const LostChain& chain) {
            if (++seen <= lostChainsRead)
                chains.push_back(chain);
        });
        if (seen > lostChainsRead)
            events.note({ScanNote::Kind::LostChainsLeft, scan.number, BootFault::None, 0, seen - lostChainsRead, 0});
        for (const LostChain& chain : chains) {
            if (scan.claimed.marked(chain.first) || scan.owned.marked(chain.first))
                continue;
            ChainEnd end = ChainEnd::End;
            auto found = std::make_unique<FoundRecording>();
            found->report.foundAs = FoundAs::LostChain;
            found->report.volume = scan.number;
            // As far as the search took it: where it joined an earlier
            // chain, that one's clusters are not walked again.
            found->chain = runsFrom(chain.first, false, 0, end, chain.clusters);
            if (end == ChainEnd::TooLong && clustersIn(found->chain) == chain.clusters)
                end = chain.end;
            found->chainEnd = endOf(end);
            found->followsSound = true;
            const std::vector<ClusterRun> runs = found->chain;
            if (!takeChain(std::move(found))) {
                for (const ClusterRun& run : runs)
                    scan.owned.mark(run.first, run.count);
            }
        }
        return unseen;
    }

    // A recording followed by its sound from its first cluster, where no live
    // file owns that cluster and no chain claims it; a deleted entry's size is
    // its length if the header there states it.
    void wait(const VolumeEntry& entry, FoundAs how) {
        if (scan.owned.marked(entry.firstCluster) || scan.claimed.marked(entry.firstCluster))
            return;
        auto found = recordingOf(entry, how);
        if (!afford(*found, sizeof(PendingStart)))
            return;
        found->followsSound = true;
        if (entry.deleted)
            found->claimSize = entry.size;
        scan.pending.push_back({entry.firstCluster, scan.found.size()});
        scan.found.push_back(std::move(found));
    }

    VolumeScan& scan;
    RecoveryEvents& events;
    ClusterMap& map;
    const VolumeGeometry& volume;
    std::vector<VolumeEntry> zero;
    std::vector<VolumeEntry> live;
    std::vector<VolumeEntry> deleted;
    // The bytes the entries held take from the budget, and the entries and
    // recordings it refused.
    std::uint64_t kept = 0;
    std::uint64_t passedOver = 0;
};

}

AlongRead readAlong(ClusterMap& map, const std::vector<ClusterRun>& runs, std::uint64_t from, std::size_t count,
    unsigned char* bytes) {
    const VolumeGeometry& volume = map.geometry();
    SourceReader& reader = map.source();
    AlongRead read;
    std::size_t& done = read.done;
    std::uint64_t at = 0;
    for (const ClusterRun& run : runs) {
        const std::uint64_t length = std::uint64_t(run.count) * volume.clusterBytes;
        if (from + done < at + length && done < count) {
            const std::uint64_t offset = clusterOffset(volume, run.first) + (from + done - at);
            const std::uint64_t wanted = std::min<std::uint64_t>(count - done, at + length - (from + done));
            if (offset >= reader.size())
                return read;
            const std::uint32_t part = static_cast<std::uint32_t>(std::min(wanted, reader.size() - offset));
            const ReadGaps gaps = reader.read(offset, bytes + done, part);
            read.gaps.ranges.insert(read.gaps.ranges.end(), gaps.ranges.begin(), gaps.ranges.end());
            done += part;
            if (part < wanted)
                return read;
        }
        at += length;
    }
    return read;
}

void planScan(VolumeScan& scan, RecoveryEvents& events) {
    Planner(scan, events).plan();
}

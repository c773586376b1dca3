#include "ClusterPass.h"

#include "AudioStart.h"
#include "ClusterChoice.h"
#include "ClusterReads.h"
#include "LostAudio.h"
#include "RecordingName.h"
#include "RevivedHeader.h"
#include "ScanPlan.h"
#include "SourceReader.h"

#include <algorithm>
#include <limits>

namespace {

// The first bytes of a recording kept for its header.
constexpr std::size_t headBytes = 64 * 1024;
// How far after its last cluster a live recording's sound may go on: past the
// runs of other recordings written alternately with it.
constexpr std::uint32_t dormantReach = 64;
// The pieces a woken recording's own clusters are copied in.
constexpr std::size_t copyBytes = 1 << 20;
// A recording followed by its sound ends once it has taken none of this many
// clusters that no chain claims, or four times its longest wait if longer:
// past the runs of other recordings written alternately with it.
constexpr std::uint64_t idleClusters = 256;
constexpr std::uint64_t idleWaits = 4;
// The recordings followed by their sound at once, at most: past the tracks of
// any recorder, and each cluster is weighed against every one.
constexpr std::size_t mostFollowers = 64;
constexpr double never = std::numeric_limits<double>::infinity();
// The pieces the clusters a recording's sound took may come in.
constexpr std::size_t mostPieces = 1 << 18;
// A quick look that strays no more than this finds a seam within sound: the
// whole look at such seams strays well inside continuesBound.
constexpr double quickContinues = 4;

// The bytes from a run's first cluster on that its start is sought in: its
// first cluster (or this many bytes where clusters are smaller), then four
// times as many while its sound proves nothing (a quiet start) as far as the
// clusters in a row reach; first no further than the run of clusters a
// recorder writes of one file before another's, whose frames may lie on
// another grid.
constexpr std::size_t lostSearchBytes = 32 * 1024;

bool findLostRun(const unsigned char* data, std::size_t ahead, std::uint32_t clusterBytes, const RevivalFormat& format,
    bool atTakeStart, std::uint64_t& audioAt) {
    const std::size_t most = std::min<std::size_t>(ahead, audioSearchBytes);
    for (std::size_t searched = std::max<std::size_t>(clusterBytes, lostSearchBytes);; searched *= 4) {
        if (findLostAudio(data, std::min(searched, most), clusterBytes, format, atTakeStart, audioAt))
            return true;
        if (searched >= most)
            return false;
    }
}

// Bytes of nothing but 0x00, or of nothing but 0xFF: an erased card.
bool erased(const unsigned char* bytes, std::size_t count) {
    return (bytes[0] == 0 || bytes[0] == 0xFF)
        && std::all_of(bytes, bytes + count, [&](unsigned char byte) { return byte == bytes[0]; });
}

// A cluster whose first bytes are zeros up to where the donor's audio begins,
// then bytes that are not zero: the first of a take whose recorder left the
// donor's header length for a header it never wrote.
bool beginsAfterHeaderRoom(const unsigned char* bytes, std::size_t count, const RevivalFormat& format) {
    const std::size_t room = static_cast<std::size_t>(format.donorOffset);
    const std::size_t frame = format.samples.frameBytes();
    if (room == 0 || room >= count)
        return false;
    const unsigned char* nonZero = std::find_if(bytes, bytes + count, [](unsigned char byte) { return byte != 0; });
    return nonZero >= bytes + room && nonZero < bytes + std::min(count, room + frame);
}

// A recording whose header was lost, begun at cluster in the format given,
// its frames from audioAt on: the header is rebuilt before them.
void startRevived(FoundRecording& recording, std::uint32_t cluster, std::uint64_t audioAt,
    const RevivalFormat& format) {
    recording.firstCluster = cluster;
    recording.format = format;
    RecordingStart& start = recording.start;
    start.audioAt = audioAt;
    start.samples.format = format.samples;
    start.followable = true;
    start.frameBytes = format.samples.frameBytes();
    start.rate = static_cast<std::uint32_t>(loadUnsigned(format.formatBody.data() + 4, 4, ByteOrder::Little));
    recording.rebuilt.resize(static_cast<std::size_t>(lostHeaderRoom(format)));
    recording.started = true;
    recording.tail = std::make_unique<SoundTail>(start.samples);
    recording.life = Life::Following;
}

// The source's bytes of runs, in their order, up to length of them.
void addRanges(const VolumeGeometry& volume, const std::vector<ClusterRun>& runs, std::uint64_t& length,
    std::vector<SourceRange>& ranges) {
    for (const ClusterRun& run : runs) {
        if (length == 0)
            return;
        const std::uint64_t bytes = std::min<std::uint64_t>(length, std::uint64_t(run.count) * volume.clusterBytes);
        const std::uint64_t offset = clusterOffset(volume, run.first);
        if (!ranges.empty() && ranges.back().offset + ranges.back().length == offset)
            ranges.back().length += bytes;
        else
            ranges.push_back({offset, bytes});
        length -= bytes;
    }
}

std::uint32_t lastClusterOf(const std::vector<ClusterRun>& runs) {
    return runs.back().first + runs.back().count - 1;
}

}

void ClusterPass::run(std::uint64_t total, std::uint64_t& passed, std::size_t& found) {
    reported = &found;
    planned = scan.found.size();
    SourceReader& reader = scan.map.source();
    const std::uint32_t cluster = volume.clusterBytes;
    const std::uint64_t present = clustersPresent(volume, reader.size());
    std::size_t claim = 0;
    // While no sound is followed, a free cluster's first sector tells all the
    // pass needs of it.
    const auto following = [&] {
        return !open.empty() || !watching.empty() || fork.active() || settings.lostHeaders != nullptr;
    };
    std::atomic<bool> sparse{!following()};
    {
        ClusterReads reads(reader, scan, sparse, 2 + present, settings.interrupted);
        while (ClusterReads::Chunk* chunk = reads.next()) {
            // Interrupted, the recordings open are left unfinished, and their
            // files go with the scan.
            if (settings.stopped())
                return;
            chunkGaps = &chunk->gaps;
            const std::uint32_t count = chunk->count;
            std::vector<char> wanted(chunk->wanted.begin(), chunk->wanted.begin() + count);
            std::vector<char> readable(count);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t at = static_cast<std::uint32_t>(chunk->first + i);
                wanted[i] = wanted[i] && (!scan.claimed.marked(at) || claimedAlive(at, claim));
                readable[i] = !chunk->gaps.meets(clusterOffset(volume, at), cluster);
            }
            std::uint32_t freeUpTo = 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                const auto unclaimed = [&](std::uint32_t k) {
                    return wanted[k] && readable[k]
                        && !scan.claimed.marked(static_cast<std::uint32_t>(chunk->first + k));
                };
                freeUpTo = std::max(freeUpTo, i);
                while (freeUpTo < count && unclaimed(freeUpTo))
                    ++freeUpTo;
                if (!wanted[i])
                    continue;
                const std::uint32_t at = static_cast<std::uint32_t>(chunk->first + i);
                unsigned char* data = chunk->bytes + std::size_t(i) * cluster;
                // A dormant recording whose last cluster this one follows
                // weighs it too.
                const bool woken = dormantAt < scan.dormant.size() && scan.dormant[dormantAt].lastCluster < at;
                if (!chunk->whole[i]
                    && (following() || woken || beginsRecording(data, ClusterReads::firstSectorBytes))) {
                    reads.complete(*chunk, i);
                    readable[i] = !chunk->gaps.meets(clusterOffset(volume, at), cluster);
                }
                take(at, data, std::size_t(freeUpTo - i) * cluster, readable[i]);
                sparse.store(!following());
            }
            passed += std::uint64_t(count) * cluster;
            events.progress(passed, total, found);
        }
        chunkGaps = nullptr;
    }
    if (settings.stopped())
        return;
    settle(true);
    endAll(present < volume.clusterCount ? RecordingEnd::SourceEnd : RecordingEnd::VolumeEnd);
    for (std::size_t index : watching)
        retire(index);
    watching.clear();
    if (passedOver > 0)
        events.note({ScanNote::Kind::EntriesPassedOver, scan.number, BootFault::None, 0, passedOver, 0});
}

bool ClusterPass::claimedAlive(std::uint32_t cluster, std::size_t& claim) {
    const auto after = std::upper_bound(scan.claims.begin(), scan.claims.end(), cluster,
        [](std::uint32_t value, const ClaimedRun& run) { return value < run.first; });
    if (after == scan.claims.begin())
        return false;
    claim = static_cast<std::size_t>(after - scan.claims.begin()) - 1;
    const ClaimedRun& run = scan.claims[claim];
    return cluster - run.first < run.count && scan.found[run.recording] != nullptr;
}

void ClusterPass::take(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable) {
    std::size_t claim = 0;
    if (scan.claimed.marked(cluster)) {
        if (claimedAlive(cluster, claim))
            takeClaimed(scan.claims[claim], cluster, data, readable);
        return;
    }
    // The recordings waiting for this cluster; others waiting for one passed
    // already (owned or claimed meanwhile) wait no more.
    while (pendingAt < scan.pending.size() && scan.pending[pendingAt].cluster < cluster)
        ++pendingAt;
    std::vector<std::size_t> waiting;
    for (; pendingAt < scan.pending.size() && scan.pending[pendingAt].cluster == cluster; ++pendingAt)
        waiting.push_back(scan.pending[pendingAt].recording);
    ++unclaimed;
    endIdle(cluster);
    for (; dormantAt < scan.dormant.size() && scan.dormant[dormantAt].lastCluster < cluster; ++dormantAt)
        watching.push_back(scan.dormant[dormantAt].recording);
    if (readable && beginsRecording(data, volume.clusterBytes)) {
        settle(true);
        for (std::size_t index : open)
            scan.found[index]->headerSince = true;
        begin(claimant(waiting, data), cluster, data);
        return;
    }
    for (std::size_t index : waiting) {
        if (!readable) {
            headUnreadable(index, cluster);
            continue;
        }
        if (beginHeaderless(index, cluster, data, ahead))
            return;
    }
    feed(cluster, data, ahead, readable);
}

std::size_t ClusterPass::claimant(const std::vector<std::size_t>& waiting, const unsigned char* data) {
    RecordingStart start;
    LayoutFindings findings;
    readRecordingStart(data, volume.clusterBytes, start, findings);
    std::size_t chosen = scan.found.size();
    // The recording's own live entry first; a deleted entry only where the
    // name is a recording's and the header states its size (a finished
    // file's, whose length it is) or none (a take that lost power, whose
    // entry says where it at least goes): a deleted photo's entry, or a
    // finished take's whose first cluster a newer take now begins, is not
    // the take's.
    for (std::size_t index : waiting) {
        if (scan.found[index]->report.foundAs == FoundAs::ZeroEntry) {
            chosen = index;
            break;
        }
    }
    for (std::size_t index : waiting) {
        FoundRecording& recording = *scan.found[index];
        if (chosen == scan.found.size() && isRecordingName(recording.fileName)
            && (start.statedEnd == recording.claimSize || start.statedEnd == 0)) {
            recording.limit = start.statedEnd;
            chosen = index;
        } else if (index != chosen) {
            retire(index);
        }
    }
    if (chosen == scan.found.size()) {
        auto found = std::make_unique<FoundRecording>();
        found->report.foundAs = FoundAs::NoEntry;
        found->report.volume = scan.number;
        chosen = place(std::move(found));
    }
    return chosen;
}

void ClusterPass::feed(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable) {
    if (!fork.active()) {
        follow(cluster, data, ahead, readable);
        return;
    }
    fork.take(cluster, data, volume.clusterBytes, readable);
    settle(false);
}

void ClusterPass::settle(bool closing) {
    while (fork.active()) {
        const TrackFork::Verdict verdict = fork.verdict(closing);
        if (verdict == TrackFork::Verdict::Open)
            return;
        // The open recordings stay as they were while the fork was open.
        const std::size_t chosen = open[fork.chosen()];
        std::vector<std::size_t> tied;
        for (std::size_t position : fork.candidates())
            tied.push_back(open[position]);
        const std::vector<TrackFork::Held> held = fork.close();
        std::size_t from = 0;
        if (verdict == TrackFork::Verdict::Chosen) {
            append(chosen, held[0].cluster, held[0].bytes.data());
            from = 1;
        } else {
            for (std::size_t index : tied)
                end(index, RecordingEnd::LikeAnother);
        }
        for (std::size_t i = from; i < held.size(); ++i)
            feed(held[i].cluster, held[i].bytes.data(), held[i].bytes.size(), held[i].readable);
    }
}

void ClusterPass::begin(std::size_t index, std::uint32_t cluster, const unsigned char* data) {
    FoundRecording& recording = *scan.found[index];
    recording.firstCluster = cluster;
    recording.report.offset = clusterOffset(volume, cluster);
    recording.started = true;
    const std::size_t count = volume.clusterBytes;
    const StartReading reading = readRecordingStart(data, count, recording.start, recording.report.layout);
    recording.report.headerPastCluster = reading == StartReading::TooShort;
    recording.report.notFollowable = reading == StartReading::Read && !recording.start.followable;
    if (reading != StartReading::Read || !recording.start.followable) {
        refuse(index, Unsupported);
        return;
    }
    if (!keepName(index))
        return;
    recording.head.assign(data, data + std::min(count, headBytes));
    recording.tail = std::make_unique<SoundTail>(recording.start.samples);
    recording.life = Life::Following;
    admit(index);
    append(index, cluster, data);
}

bool ClusterPass::beginHeaderless(std::size_t index, std::uint32_t cluster, const unsigned char* data,
    std::size_t ahead) {
    FoundRecording& recording = *scan.found[index];
    // A deleted entry whose first cluster begins no recording names what was
    // written over it; an entry whose cluster was never written names
    // nothing, nor one of a name no recording has.
    if (recording.report.foundAs != FoundAs::ZeroEntry || erased(data, volume.clusterBytes)
        || !isRecordingName(recording.fileName)) {
        retire(index);
        return false;
    }
    const RevivalFormat* format = settings.lostHeaders;
    std::uint64_t audioAt = 0;
    if (format == nullptr || !findLostRun(data, ahead, volume.clusterBytes, *format, true, audioAt)) {
        recording.report.headerLost = true;
        recording.report.revived = format != nullptr;
        recording.report.offset = clusterOffset(volume, cluster);
        refuse(index, Unsupported);
        return false;
    }
    settle(true);
    recording.report.revived = true;
    recording.report.offset = clusterOffset(volume, cluster) + audioAt;
    if (!keepName(index))
        return true;
    startRevived(recording, cluster, audioAt, *format);
    admit(index);
    append(index, cluster, data);
    return true;
}

void ClusterPass::headUnreadable(std::size_t index, std::uint32_t cluster) {
    FoundRecording& recording = *scan.found[index];
    const std::uint64_t first = clusterOffset(volume, cluster);
    std::vector<SourceRange> lost;
    chunkGaps->addWithin(first, volume.clusterBytes, lost, 1);
    if (!isRecordingName(recording.fileName) || lost.empty()) {
        retire(index);
        return;
    }
    recording.report.offset = first;
    recording.report.headUnreadable = lost.front();
    refuse(index, FileError);
}

void ClusterPass::takeClaimed(const ClaimedRun& claim, std::uint32_t cluster, const unsigned char* data,
    bool readable) {
    FoundRecording& recording = *scan.found[claim.recording];
    const std::uint32_t bytes = volume.clusterBytes;
    if (!recording.started) {
        recording.started = true;
        const StartReading reading =
            readRecordingStart(recording.head.data(), recording.head.size(), recording.start, recording.report.layout);
        if (reading != StartReading::Read) {
            recording.report.headerPastCluster = reading == StartReading::TooShort;
            refuse(claim.recording, Unsupported);
            return;
        }
        if (!keepName(claim.recording))
            return;
    }
    const std::uint64_t index = claim.index + (cluster - claim.first);
    const std::uint64_t at = index * bytes;
    // The bytes that could not be read are zeros in the new file.
    if (!readable)
        recording.report.unreadable += chunkGaps->addWithin(clusterOffset(volume, cluster), bytes,
            recording.report.unreadableRanges, RecoveredRecording::maxUnreadableRanges);
    put(recording, at, data, bytes);
    recording.length = std::max(recording.length, at + bytes);
    ++recording.chainPassed;
    if (index + 1 == recording.chainClusters) {
        judgeLast(recording, data, at);
        // Where its sound runs on to its chain's last byte, a recording the
        // card does not describe in full is followed on by its sound.
        if (recording.followsSound && recording.start.followable && recording.judgedEnd == at + bytes
            && at + bytes > recording.start.audioAt) {
            settle(true);
            const std::uint64_t audioFrom = at < recording.start.audioAt ? recording.start.audioAt - at : 0;
            recording.tail = std::make_unique<SoundTail>(recording.start.samples);
            recording.tail->skip(at + audioFrom - recording.start.audioAt);
            recording.tail->take(data + audioFrom, bytes - audioFrom);
            recording.life = Life::Following;
            recording.lastTaken = unclaimed;
            admit(claim.recording);
        }
    }
    if (recording.chainPassed == recording.chainClusters && recording.life != Life::Following) {
        recording.report.end = recording.chainEnd;
        finish(claim.recording);
    }
}

void ClusterPass::follow(std::uint32_t cluster, const unsigned char* data, std::size_t ahead, bool readable) {
    const std::size_t bytes = volume.clusterBytes;
    if (!readable) {
        endAll(RecordingEnd::Unreadable);
        return;
    }
    // The quick look at the seams first: where one recording's is as smooth as
    // sound's and every other's strays past what continues, it takes the
    // cluster without the whole look at any (most clusters of most cards).
    if (watching.empty() && !open.empty()) {
        std::size_t quickBest = 0;
        bool clear = true;
        double best = never;
        for (std::size_t position = 0; position < open.size() && clear; ++position) {
            const double stray = scan.found[open[position]]->tail->quickStrayOf(data, bytes);
            if (stray < best) {
                clear = best > continuesBound;
                best = stray;
                quickBest = position;
            } else {
                clear = stray > continuesBound;
            }
        }
        if (clear && best <= quickContinues && !(scan.found[open[quickBest]]->limit == 0 && erased(data, bytes))) {
            append(open[quickBest], cluster, data);
            return;
        }
    }
    // A dormant recording takes the cluster only where it continues it clearly
    // better than any other recording does.
    double bestWatching = never;
    double secondWatching = never;
    std::size_t woken = 0;
    for (std::size_t index : watching) {
        const double stray = scan.found[index]->tail->strayOf(data, bytes);
        if (stray < bestWatching) {
            secondWatching = bestWatching;
            bestWatching = stray;
            woken = index;
        } else {
            secondWatching = std::min(secondWatching, stray);
        }
    }
    std::vector<double> strays;
    double best = never;
    std::size_t bestPosition = 0;
    for (std::size_t position = 0; position < open.size(); ++position) {
        strays.push_back(scan.found[open[position]]->tail->strayOf(data, bytes));
        if (strays.back() < best) {
            best = strays.back();
            bestPosition = position;
        }
    }
    if (bestWatching <= continuesBound && std::min(secondWatching, best) >= clearlyBetter * bestWatching) {
        if (wake(woken)) {
            append(woken, cluster, data);
            return;
        }
    }
    if (best > continuesBound) {
        // A recording the cluster begins leaves the others open: their runs
        // may alternate with its own.
        if (reviveLost(cluster, data, ahead))
            return;
        endAll(erased(data, std::min<std::size_t>(bytes, SoundTail::sectorBytes)) ? RecordingEnd::Erased
                                                                                  : RecordingEnd::SoundStops);
        return;
    }
    // Zeros continue digital silence, but a whole cluster of them is the
    // erased card after a recording of unknown length.
    if (scan.found[open[bestPosition]]->limit == 0 && erased(data, bytes)) {
        endAll(RecordingEnd::Erased);
        return;
    }
    std::vector<Follower> followers;
    for (std::size_t position = 0; position < open.size(); ++position)
        followers.push_back({open[position], scan.found[open[position]]->tail.get(), strays[position]});
    const ClusterChoice choice = chooseFollower(followers, data, bytes, order);
    if (choice.kind == ClusterChoice::Kind::Take) {
        append(choice.recording, cluster, data);
        return;
    }
    // A fork keeps a copy of each cluster it weighs: one larger than the fork
    // may hold goes to the recording it continues best.
    if (bytes > TrackFork::mostBytes) {
        append(open[bestPosition], cluster, data);
        return;
    }
    std::vector<SoundTail> tails;
    std::vector<double> candidateStrays;
    for (std::size_t index : open)
        tails.push_back(*scan.found[index]->tail);
    for (std::size_t position : choice.candidates)
        candidateStrays.push_back(strays[position]);
    fork.open(cluster, data, bytes, tails, choice.candidates, candidateStrays, choice.guessed);
}

bool ClusterPass::wake(std::size_t index) {
    watching.erase(std::find(watching.begin(), watching.end(), index));
    if (!keepName(index))
        return false;
    // Its own clusters first, read again now that they are part of a
    // recording to recover.
    FoundRecording& recording = *scan.found[index];
    std::uint64_t bytes = 0;
    for (const ClusterRun& run : recording.chain)
        bytes += std::uint64_t(run.count) * volume.clusterBytes;
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(copyBytes, bytes)));
    for (std::uint64_t at = 0; at < bytes; at += piece.size()) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), bytes - at));
        const AlongRead read = readAlong(scan.map, recording.chain, at, count, piece.data());
        for (const ReadFailure& gap : read.gaps.ranges) {
            if (!addRange(recording.report.unreadableRanges, gap.range(), RecoveredRecording::maxUnreadableRanges))
                recording.report.unreadable += gap.length;
        }
        if (at == 0)
            recording.head.assign(piece.begin(), piece.begin() + std::min(count, headBytes));
        put(recording, at, piece.data(), static_cast<std::uint32_t>(count));
    }
    recording.chainClusters = bytes / volume.clusterBytes;
    recording.chainPassed = recording.chainClusters;
    recording.length = bytes;
    recording.life = Life::Following;
    admit(index);
    return true;
}

bool ClusterPass::reviveLost(std::uint32_t cluster, const unsigned char* data, std::size_t ahead) {
    const RevivalFormat* format = settings.lostHeaders;
    std::uint64_t audioAt = 0;
    // An erased cluster begins nothing, and most of a card's free space is one.
    // A take's start whose header's room the zeros show is sought as one that
    // an entry names; elsewhere only where its first block lines up, and in
    // one window: this runs at every cluster that nothing continues.
    if (format == nullptr || ahead == 0 || erased(data, std::min<std::size_t>(ahead, volume.clusterBytes)))
        return false;
    const bool takeStart = beginsAfterHeaderRoom(data, volume.clusterBytes, *format);
    if (takeStart ? !findLostRun(data, ahead, volume.clusterBytes, *format, true, audioAt)
                  : !findLostAudio(data,
                      std::min<std::size_t>(ahead, std::max<std::size_t>(volume.clusterBytes, lostSearchBytes)),
                      volume.clusterBytes, *format, false, audioAt))
        return false;
    auto found = std::make_unique<FoundRecording>();
    FoundRecording& recording = *found;
    recording.report.foundAs = FoundAs::NoEntry;
    recording.report.volume = scan.number;
    recording.report.revived = true;
    recording.report.offset = clusterOffset(volume, cluster) + audioAt;
    startRevived(recording, cluster, audioAt, *format);
    const std::size_t index = place(std::move(found));
    if (!keepName(index))
        return true;
    admit(index);
    append(index, cluster, data);
    return true;
}

void ClusterPass::append(std::size_t index, std::uint32_t cluster, const unsigned char* data) {
    FoundRecording& recording = *scan.found[index];
    const std::uint32_t bytes = volume.clusterBytes;
    const std::uint64_t at = recording.length;
    const std::uint64_t audioAt = recording.start.audioAt;
    const std::uint32_t audioFrom =
        at < audioAt ? static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, audioAt - at)) : 0;
    if (!extend(recording, cluster)) {
        // Past what the scan may keep, a recording that has taken nothing is
        // passed over, and one that has ends.
        if (recording.length == 0) {
            open.erase(std::find(open.begin(), open.end(), index));
            ++passedOver;
            retire(index);
        } else {
            end(index, RecordingEnd::TooFragmented);
        }
        return;
    }
    put(recording, at, data, bytes);
    order.took(index);
    recording.length = at + bytes;
    recording.headerSince = false;
    if (recording.lastTaken > 0)
        recording.longestWait = std::max(recording.longestWait, unclaimed - recording.lastTaken);
    recording.lastTaken = unclaimed;
    judgeLast(recording, data, at);
    if (recording.limit > 0 && recording.length >= recording.limit) {
        end(index, RecordingEnd::EntrySize);
        return;
    }
    if (recording.judgedStop < bytes) {
        end(index, RecordingEnd::SoundStops);
        return;
    }
    recording.tail->take(data + audioFrom, bytes - audioFrom);
    if (recording.tail->endsUnwritten())
        end(index, RecordingEnd::SoundStops);
}

bool ClusterPass::extend(FoundRecording& recording, std::uint32_t cluster) {
    std::vector<ClusterRun>& runs = recording.followed;
    if (!runs.empty() && runs.back().first + runs.back().count == cluster) {
        ++runs.back().count;
        return true;
    }
    if (runs.size() == runs.capacity()) {
        const std::size_t more = std::max<std::size_t>(16, runs.capacity());
        const std::uint64_t bytes = more * sizeof(ClusterRun);
        if (runs.size() + 1 > mostPieces || !scan.map.budget().take(bytes))
            return false;
        recording.followedCharge += bytes;
        runs.reserve(runs.capacity() + more);
    }
    runs.push_back({cluster, 1});
    return true;
}

std::size_t ClusterPass::place(std::unique_ptr<FoundRecording> recording) {
    if (!spare.empty()) {
        const std::size_t index = spare.front();
        spare.pop_front();
        order.forget(index);
        scan.found[index] = std::move(recording);
        return index;
    }
    scan.found.push_back(std::move(recording));
    return scan.found.size() - 1;
}

void ClusterPass::judgeLast(FoundRecording& recording, const unsigned char* data, std::uint64_t at) {
    const std::uint32_t bytes = volume.clusterBytes;
    const std::uint64_t audioAt = recording.start.audioAt;
    const std::size_t audioFrom =
        at < audioAt ? static_cast<std::size_t>(std::min<std::uint64_t>(bytes, audioAt - at)) : 0;
    recording.lastStart = at;
    std::size_t stops = bytes;
    if (recording.start.followable && audioFrom < bytes) {
        SoundTail grid(recording.start.samples);
        grid.skip(at + audioFrom - audioAt);
        const std::size_t sectorPhase =
            (SoundTail::sectorBytes - audioFrom % SoundTail::sectorBytes) % SoundTail::sectorBytes;
        stops = audioFrom + grid.soundStops(data + audioFrom, bytes - audioFrom, sectorPhase);
        recording.judgedEnd = at + audioFrom + grid.zerosFrom(data + audioFrom, stops - audioFrom, 0);
    } else {
        recording.judgedEnd = at + bytes;
    }
    recording.judgedStop = stops;
}

void ClusterPass::put(FoundRecording& recording, std::uint64_t at, const unsigned char* data, std::uint32_t count) {
    if (recording.report.result == FileError)
        return;
    if (!recording.output.begun() && !startOutput(recording))
        return;
    // Where the header is rebuilt, the bytes before the frames are left out.
    const std::uint64_t skipped = at < recording.start.audioAt && !recording.rebuilt.empty()
        ? std::min<std::uint64_t>(count, recording.start.audioAt - at)
        : 0;
    std::uint64_t offset = 0;
    if (skipped == count || !recording.placed(at + skipped, offset))
        return;
    if (!recording.output.write(offset, data + skipped, static_cast<std::uint32_t>(count - skipped),
            recording.report.why))
        recording.report.result = FileError;
}

std::string ClusterPass::requestedName(const FoundRecording& recording) const {
    return !recording.fileName.empty() && recording.report.foundAs != FoundAs::NoEntry
        ? recording.fileName
        : "recovered-" + std::to_string(recording.report.offset) + (recording.start.aiff ? ".aif" : ".wav");
}

bool ClusterPass::keepName(std::size_t index) {
    if (scan.map.budget().take(names.memoryFor(requestedName(*scan.found[index]))))
        return true;
    ++passedOver;
    retire(index);
    return false;
}

bool ClusterPass::startOutput(FoundRecording& recording) {
    if (recording.output.begin(files, names, requestedName(recording), settings.dryRun, recording.report.output,
            recording.report.why))
        return true;
    recording.report.result = FileError;
    return false;
}

void ClusterPass::endIdle(std::uint32_t cluster) {
    // A live file the pass has left far behind was whole after all.
    const auto behind = [&](std::size_t index) {
        if (cluster - lastClusterOf(scan.found[index]->chain) <= dormantReach)
            return false;
        retire(index);
        return true;
    };
    watching.erase(std::remove_if(watching.begin(), watching.end(), behind), watching.end());
    if (fork.active())
        return;
    const std::vector<std::size_t> waiting = open;
    for (std::size_t index : waiting) {
        const FoundRecording& recording = *scan.found[index];
        if (unclaimed - recording.lastTaken > std::max(idleClusters, idleWaits * recording.longestWait))
            end(index, RecordingEnd::SoundStops);
    }
}

void ClusterPass::admit(std::size_t index) {
    // The one that has waited longest makes room: it ends there.
    if (open.size() >= mostFollowers) {
        std::size_t longest = open.front();
        for (std::size_t other : open) {
            if (scan.found[other]->lastTaken < scan.found[longest]->lastTaken)
                longest = other;
        }
        end(longest, RecordingEnd::SoundStops);
    }
    open.push_back(index);
}

void ClusterPass::end(std::size_t index, RecordingEnd how) {
    FoundRecording& recording = *scan.found[index];
    open.erase(std::find(open.begin(), open.end(), index));
    recording.life = Life::Ended;
    recording.report.end = how == RecordingEnd::SoundStops && recording.headerSince ? RecordingEnd::NextRecording : how;
    // A chain whose recording took no cluster past it ended with the chain.
    if (recording.chainClusters > 0 && recording.followed.empty())
        recording.report.end = recording.chainEnd;
    if (recording.chainPassed == recording.chainClusters)
        finish(index);
}

void ClusterPass::endAll(RecordingEnd how) {
    const std::vector<std::size_t> ending = open;
    for (std::size_t index : ending)
        end(index, how);
}

void ClusterPass::finish(std::size_t index) {
    FoundRecording& recording = *scan.found[index];
    RecoveredRecording& report = recording.report;
    const RecordingStart& start = recording.start;
    std::uint64_t length = recording.length;
    const bool followed = !recording.followed.empty();
    if (recording.limit > 0 && recording.limit <= length) {
        length = recording.limit;
    } else if (start.statedEnd > recording.lastStart && start.statedEnd <= length) {
        length = start.statedEnd;
        if (followed)
            report.end = RecordingEnd::StatedSize;
    } else {
        length = recording.judgedEnd;
    }
    // A live file whose clusters hold no more than its entry says is fine,
    // unless the image ends before them.
    if (report.foundAs == FoundAs::StaleEntry && length <= recording.entrySize
        && recording.chainEnd != RecordingEnd::SourceEnd) {
        retire(index);
        return;
    }
    report.bytes = length;
    report.rate = start.rate;
    report.frames = length > start.audioAt && start.frameBytes > 0 ? (length - start.audioAt) / start.frameBytes : 0;
    std::uint64_t left = length;
    addRanges(volume, recording.chain, left, report.taken);
    addRanges(volume, recording.followed, left, report.taken);
    // Of the bytes that could not be read, those the new file holds; the rest
    // were left out as the list ran full.
    report.unreadableRanges = rangesWithin(std::move(report.unreadableRanges), report.taken);
    report.unreadable += rangeBytes(report.unreadableRanges);
    if (!recording.rebuilt.empty()) {
        const std::size_t room = recording.rebuilt.size();
        buildRevivedHeader(recording.format, report.frames * start.frameBytes, room, recording.rebuilt);
    }
    if (report.result != FileError) {
        const std::uint64_t fileLength =
            recording.rebuilt.empty() ? length : recording.rebuilt.size() + report.frames * start.frameBytes;
        const std::vector<unsigned char>& head = recording.rebuilt.empty() ? recording.head : recording.rebuilt;
        if (!recording.rebuilt.empty() && recording.output.begun()
            && !recording.output.write(0, recording.rebuilt.data(),
                static_cast<std::uint32_t>(recording.rebuilt.size()), report.why))
            report.result = FileError;
        if (report.result != FileError)
            report.result = recording.output.finish(fileLength, head, report.layout, report.why);
    }
    // Without a new file, no byte was written as zeros.
    if (report.result != Repaired) {
        report.output.clear();
        report.unreadable = 0;
        report.unreadableRanges.clear();
    }
    events.recording(report);
    ++*reported;
    retire(index);
}

void ClusterPass::refuse(std::size_t index, RepairResult result) {
    FoundRecording& recording = *scan.found[index];
    recording.report.result = result;
    recording.output.abandon();
    recording.report.output.clear();
    recording.report.unreadable = 0;
    recording.report.unreadableRanges.clear();
    events.recording(recording.report);
    ++*reported;
    retire(index);
}

void ClusterPass::retire(std::size_t index) {
    scan.map.budget().give(scan.found[index]->followedCharge);
    scan.found[index].reset();
    // Only the recordings the plan found are named by claims, entries waiting
    // and live files watched.
    if (index >= planned)
        spare.push_back(index);
}

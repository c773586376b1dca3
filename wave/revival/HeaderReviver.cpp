#include "HeaderReviver.h"

#include "AudioStart.h"
#include "ChunkHeader.h"
#include "FrameFit.h"
#include "HeaderImage.h"
#include "RevivedHeader.h"
#include "SurvivingHeader.h"
#include "WaveFormatChunk.h"

#include <algorithm>
#include <vector>

namespace {

// The stretch of the search a format is judged on, so that judging every
// rival stays cheap.
constexpr std::size_t judgedBytes = 256 * 1024;
// The pieces the audio is copied in to a new file.
constexpr std::uint32_t copyBytes = 1 << 20;

RevivalFault faultOf(StartFault fault) {
    switch (fault) {
    case StartFault::Silence:
        return RevivalFault::Silence;
    case StartFault::NoFit:
        return RevivalFault::NoFit;
    case StartFault::ChannelOrder:
        return RevivalFault::ChannelOrder;
    case StartFault::None:
        break;
    }
    return RevivalFault::None;
}

bool readsAsFormat(const std::vector<unsigned char>& bytes, std::uint64_t from, const SampleFormat& format,
    RevivalFindings& findings) {
    const std::size_t at = static_cast<std::size_t>(from);
    findings.verdict = judgeFormat(bytes.data(), std::min(bytes.size(), at + judgedBytes), at, format);
    return findings.verdict.statedFits;
}

// Where a header survives in part, the audio begins after its data chunk's
// header and the format is its fmt chunk's, or format where none survives
// whole: unless the samples that follow read otherwise (not at all, at
// another offset within a sample, or as another format). Plans the header
// around what survives in place, or else a new file's; false to leave the
// file to the samples.
bool reviveSurvivors(const std::vector<unsigned char>& bytes, const RevivalFormat& format,
    std::vector<unsigned char>& header, RevivalFindings& findings) {
    const SurvivingHeader survivors = findSurvivingHeader(bytes.data(), bytes.size());
    if (!survivors.found)
        return false;
    RevivalFormat used = format;
    if (survivors.formatValid) {
        FrameFormat frame;
        const unsigned char* body = bytes.data() + survivors.formatAt + ChunkHeader::bytes;
        readFrameFormat(body, survivors.formatSize, frame);
        if (formatFromChunk(frame, body, survivors.formatSize, used) != ChunkFormatFault::None)
            return false;
    }
    const std::uint64_t audioAt = survivors.audioAt();
    if (audioAt + used.samples.frameBytes() > findings.fileSize)
        return false;
    const FrameFit fit = frameFit(bytes.data(), bytes.size(), static_cast<std::size_t>(audioAt), used.samples);
    if (fit.sounding > 0
        && !(fit.fits && fit.phase == audioAt % used.samples.width
            && (survivors.formatValid || readsAsFormat(bytes, audioAt, used.samples, findings))))
        return false;
    findings.audioAt = audioAt;
    findings.inPlace = completeSurvivingHeader(bytes.data(), survivors, used, findings.fileSize, header)
        && soundHeader(header, findings.fileSize);
    if (!findings.inPlace)
        buildRevivedHeader(used, findings.fileSize - audioAt, 0, header);
    return true;
}

// Whether a revival of the file left by a crash after the rest of header is
// written in place (its form identifier still wiped) reads what survives of
// header and plans it again: a header the samples alone placed may not be
// one they prove, and what else the revival found there would differ.
bool plannedAgain(const std::vector<unsigned char>& bytes, const RevivalFormat& format,
    const std::vector<unsigned char>& header, std::uint64_t fileSize) {
    std::vector<unsigned char> left = bytes;
    std::fill(left.begin(), left.begin() + 4, 0);
    std::copy(header.begin() + 4, header.end(), left.begin() + 4);
    RevivalFindings again;
    again.fileSize = fileSize;
    std::vector<unsigned char> planned;
    return reviveSurvivors(left, format, planned, again) && again.inPlace && planned == header;
}

// Whether the file begins with the identifier of a RIFF form, which before
// a revived header's rest would read as a header the rule refuses rather
// than a lost one.
bool riffFormStands(const std::vector<unsigned char>& bytes) {
    if (bytes.size() < 4)
        return false;
    const std::uint32_t id = loadU32(bytes.data());
    return id == fourCC("RIFF") || id == fourCC("RF64") || id == fourCC("BW64");
}

// Finds the audio in the open file and plans the header: Repaired, or the
// outcome that ends the revival here. formStands tells whether a RIFF form's
// identifier stands where the header's goes; the audio is sought as though
// it were wiped already, as it is before the header is written.
RepairResult examine(RandomFileAccess& file, const RevivalFormat& format, std::vector<unsigned char>& header,
    bool& formStands, RevivalFindings& findings) {
    if (!file.getSize(findings.fileSize))
        return FileError;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(findings.fileSize, audioSearchBytes));
    std::vector<unsigned char> bytes(count);
    if (!readWhole(file, 0, bytes.data(), static_cast<std::uint32_t>(count)))
        return FileError;
    formStands = riffFormStands(bytes);
    if (formStands)
        std::fill(bytes.begin(), bytes.begin() + 4, 0);
    if (!reviveSurvivors(bytes, format, header, findings)) {
        const AudioStart start = findAudioStart(bytes.data(), count, format.samples, format.donorOffset);
        // Whether the samples read as the format comes first: where they do
        // not, what fits better is worth saying whatever else stays unproven.
        const std::size_t judgedFrom = start.fault == StartFault::None
            ? static_cast<std::size_t>(start.offset)
            : static_cast<std::size_t>(
                std::find_if(bytes.begin(), bytes.end(), [](unsigned char byte) { return byte != 0; }) - bytes.begin());
        if (start.fault != StartFault::Silence && !readsAsFormat(bytes, judgedFrom, format.samples, findings)) {
            findings.fault = RevivalFault::NoFit;
            return Unsupported;
        }
        findings.fault = faultOf(start.fault);
        if (findings.fault != RevivalFault::None)
            return Unsupported;
        // Where the room before the audio is too small for the header (RF64
        // needs more than RIFF), the header may take the silence that follows.
        const std::size_t frame = format.samples.frameBytes();
        const bool zerosSilent = format.samples.width > 1 || format.samples.isFloat;
        for (std::uint64_t at = start.offset; at > 0 && at <= count; at += frame) {
            findings.inPlace = buildRevivedHeader(format, findings.fileSize - at, at, header);
            if (findings.inPlace || !zerosSilent || at + frame > count
                || !std::all_of(bytes.begin() + at, bytes.begin() + at + frame, [](unsigned char b) { return b == 0; }))
                break;
        }
        // In place only where a crash on the way leaves the file to be
        // revived the same way; else the original stays as it is.
        findings.inPlace = findings.inPlace && plannedAgain(bytes, format, header, findings.fileSize);
        findings.audioAt = findings.inPlace ? header.size() : start.offset;
        if (!findings.inPlace)
            buildRevivedHeader(format, findings.fileSize - start.offset, 0, header);
    }
    return Repaired;
}

// Writes header in place, the form identifier last after a flush of the
// rest, which goes in one write; where a RIFF form's identifier stands, it
// is wiped first, so that until the last write the file lacks its header
// and a crash leaves it to be revived again the same way.
bool writeInPlace(RandomFileAccess& file, const std::vector<unsigned char>& header, bool formStands) {
    constexpr std::uint32_t form = 4;
    std::uint32_t done = 0;
    if (formStands) {
        const unsigned char wiped[form] = {};
        if (!file.writeAt(0, wiped, form, done) || done != form || !file.flush())
            return false;
    }
    const std::uint32_t rest = static_cast<std::uint32_t>(header.size()) - form;
    return file.writeAt(form, header.data() + form, rest, done) && done == rest && file.flush()
        && file.writeAt(0, header.data(), form, done) && done == form;
}

bool writeBeside(RandomFileAccess& file, const RevivalFindings& findings, const std::vector<unsigned char>& header,
    CreatedFile& beside) {
    if (!beside.append(header.data(), static_cast<std::uint32_t>(header.size())))
        return false;
    std::vector<unsigned char> piece(copyBytes);
    for (std::uint64_t at = findings.audioAt; at < findings.fileSize;) {
        const std::uint32_t count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(copyBytes, findings.fileSize - at));
        if (!readWhole(file, at, piece.data(), count) || !beside.append(piece.data(), count))
            return false;
        at += count;
    }
    return beside.finish();
}

}

RepairResult HeaderReviver::revive(RandomFileAccess& file, const char* path, const RevivalFormat& format,
    CreatedFile& beside, const char* besidePath, bool dryRun, bool keepTime, RevivalFindings& findings) const {
    if (!file.open(path))
        return FileError;
    FileTime lastWrite;
    std::vector<unsigned char> header;
    bool formStands = false;
    RepairResult result =
        file.getLastWriteTime(lastWrite) ? examine(file, format, header, formStands, findings) : FileError;
    if (result == Repaired && !findings.inPlace) {
        const bool made = dryRun ? beside.vacant(besidePath)
                                 : beside.create(besidePath) && writeBeside(file, findings, header, beside);
        if (!made) {
            findings.newFileFailed = true;
            if (!dryRun)
                beside.abandon();
            result = FileError;
        }
    } else if (result == Repaired && !dryRun) {
        if (!writeInPlace(file, header, formStands) || (keepTime && !file.setLastWriteTime(lastWrite)))
            result = FileError;
    }
    if (!file.close() && result == Repaired && findings.inPlace && !dryRun)
        result = FileError;
    return result;
}

#include "RepairProperties.h"

#include "AnyLayoutRepairer.h"
#include "ChunkBytes.h"
#include "WaveHeader.h"
#include "ChunkHeader.h"
#include "WaveRepairer.h"

#include <algorithm>
#include <set>

namespace {

constexpr const char* imagePath = "image.wav";

std::string resultName(RepairResult result) {
    static const char* const names[] = {"Repaired", "AlreadyValid", "FileError", "Unsupported"};
    return result >= Repaired && result <= Unsupported ? names[result] : "result " + std::to_string(int(result));
}

// A copy of the image with no calls, reads or writes recorded yet.
ImageFile fresh(const ImageFile& image) {
    ImageFile copy = image;
    copy.calls.clear();
    copy.seeks.clear();
    copy.journal.clear();
    copy.reads.clear();
    copy.openedPath.clear();
    return copy;
}

// Offsets at which two images of one file hold different bytes.
std::vector<std::uint64_t> changedBytes(const ImageFile& before, const ImageFile& after) {
    std::vector<std::uint64_t> changed;
    const std::size_t stored = std::max(before.head.size(), after.head.size());
    for (std::size_t i = 0; i < stored; ++i) {
        if (before.peek(i) != after.peek(i))
            changed.push_back(i);
    }
    std::set<std::uint64_t> scattered;
    for (const auto& byte : before.scattered)
        scattered.insert(byte.first);
    for (const auto& byte : after.scattered)
        scattered.insert(byte.first);
    for (const std::uint64_t at : scattered) {
        if (at >= stored && before.peek(at) != after.peek(at))
            changed.push_back(at);
    }
    return changed;
}

// Nothing of the file changed: size, bytes, last-write time; nothing was
// written; the file was closed.
std::string untouched(const ImageFile& before, const ImageFile& after, const std::string& run) {
    if (after.size != before.size)
        return run + " changed the file size from " + std::to_string(before.size) + " to " + std::to_string(after.size);
    const std::vector<std::uint64_t> changed = changedBytes(before, after);
    if (!changed.empty())
        return run + " changed byte " + std::to_string(changed.front());
    if (!sameTime(before.lastWrite, after.lastWrite))
        return run + " changed the last-write time";
    for (const FakeFileAccess::Step step : after.calls) {
        if (step == FakeFileAccess::Step::Write || step == FakeFileAccess::Step::SetTime
            || step == FakeFileAccess::Step::Flush)
            return run + " called " + stepName(step);
    }
    if (after.isOpen())
        return run + " left the file open";
    return {};
}

std::string timeAfterRewrite(const FuzzImage& image, const ImageFile& after) {
    const FileTime expected = image.keepTime ? FakeFileAccess::timeBefore : FakeFileAccess::timeOfWrite;
    if (!sameTime(after.lastWrite, expected))
        return image.keepTime ? "a rewrite with keepTime lost the last-write time"
                              : "a rewrite without keepTime restored the old last-write time";
    if (after.isOpen())
        return "the repair left the file open";
    return {};
}

std::string checkHeaderReads(const ImageFile& file, const std::string& run) {
    for (const ImageFile::Request& request : file.reads) {
        if (request.positional || request.offset != 0 || request.count > WaveHeader::size)
            return run + " read " + std::to_string(request.count) + " bytes at " + std::to_string(request.offset)
                + ", not the header alone";
    }
    return {};
}

// The rule's own identifier test, on the image's bytes at offset at.
bool isChunkTag(const ImageFile& file, std::uint64_t at) {
    const unsigned char id[4] = {file.peek(at), file.peek(at + 1), file.peek(at + 2), file.peek(at + 3)};
    return isChunkId(id);
}

// An ID3 tag begins at offset at: ID3v2 with its version, or ID3v1 in the
// file's last 128 bytes.
bool startsATag(const ImageFile& file, std::uint64_t at) {
    const bool id3v2 = file.peek(at) == 'I' && file.peek(at + 1) == 'D' && file.peek(at + 2) == '3'
        && file.peek(at + 3) >= 2 && file.peek(at + 3) <= 4;
    const bool id3v1 =
        at + 128 == file.size && file.peek(at) == 'T' && file.peek(at + 1) == 'A' && file.peek(at + 2) == 'G';
    return id3v2 || id3v1;
}

// Where a walk of its own over the chunks from offset 12, as far as chunk
// identifiers and the walker's chunk limit go, finds the fields a repair may
// write: the first data chunk, and before it the first fmt chunk's block
// align and the first fact chunk's frame count.
struct Landmarks {
    bool hasData = false;
    std::uint64_t dataAt = 0;
    bool hasFact = false;
    std::uint64_t factAt = 0;
    std::uint16_t blockAlign = 0;
    // The audio the data chunk claims as stored, cut at the end of the file:
    // in RF64 the size ds64 holds, and where the 32-bit field holds another
    // one, the audio both claim.
    std::uint64_t audioBegin = 0;
    std::uint64_t audioEnd = 0;
    std::uint64_t storedData = 0;
    std::uint64_t otherStoredData = 0;
    // AIFF: big-endian; the data is SSND's (from after its offset and block
    // size, which its size counts), the count COMM's, frameBytes the frame
    // of integer samples (0 for other compression types), and audio begins
    // ssndOffset bytes into the data.
    bool aiff = false;
    std::uint32_t ssndOffset = 0;
    std::uint32_t frameBytes = 0;
};

std::uint32_t peekBig32(const ImageFile& file, std::uint64_t at) {
    return std::uint32_t(file.peek(at)) << 24 | std::uint32_t(file.peek(at + 1)) << 16
        | std::uint32_t(file.peek(at + 2)) << 8 | file.peek(at + 3);
}

// The chunks of an AIFF file, walked as far as identifiers go.
Landmarks findAiffLandmarks(const ImageFile& file) {
    Landmarks marks;
    marks.aiff = true;
    const bool aifc = file.peekU32(8) == fourCC("AIFC");
    std::uint64_t at = 12;
    for (int count = 0; count < maxChunks && file.size >= 8 && at <= file.size - 8 && isChunkTag(file, at); ++count) {
        const std::uint32_t id = file.peekU32(at);
        const std::uint32_t size = peekBig32(file, at + 4);
        if (id == fourCC("SSND")) {
            marks.hasData = true;
            marks.dataAt = at;
            marks.storedData = marks.otherStoredData = size >= 8 ? size - 8 : 0;
            marks.ssndOffset = peekBig32(file, at + 8);
            marks.audioBegin = at + 16;
            marks.audioEnd = marks.audioBegin + std::min(marks.storedData, file.size - std::min(file.size, at + 16));
            break;
        }
        if (id == fourCC("COMM") && !marks.hasFact && size >= 18) {
            marks.hasFact = true;
            marks.factAt = at + 10;
            const std::uint32_t type = aifc && size >= 22 ? file.peekU32(at + 26) : fourCC("NONE");
            const unsigned bits = file.peek(at + 14) << 8 | file.peek(at + 15);
            if (type == fourCC("NONE") || type == fourCC("twos") || type == fourCC("sowt"))
                marks.frameBytes = (file.peek(at + 8) << 8 | file.peek(at + 9)) * ((bits + 7) / 8);
        }
        at = ChunkHeader{id, size}.endFrom(at);
    }
    return marks;
}

bool isWide(const ImageFile& file) {
    const std::uint32_t form = file.peekU32(0);
    return form == fourCC("RF64") || form == fourCC("BW64");
}

bool hasDs64(const ImageFile& file) {
    return file.size >= 48 && file.peekU32(12) == fourCC("ds64") && file.peekU32(16) >= 28;
}

Landmarks findLandmarks(const ImageFile& file) {
    if (file.peekU32(0) == fourCC("FORM") && (file.peekU32(8) == fourCC("AIFF") || file.peekU32(8) == fourCC("AIFC")))
        return findAiffLandmarks(file);
    Landmarks marks;
    bool formatSeen = false;
    std::uint64_t at = 12;
    for (int count = 0; count < maxChunks && file.size >= 8 && at <= file.size - 8 && isChunkTag(file, at); ++count) {
        const std::uint32_t id = file.peekU32(at);
        const std::uint32_t size = file.peekU32(at + 4);
        if (id == fourCC("data")) {
            marks.hasData = true;
            marks.dataAt = at;
            marks.storedData = size;
            marks.otherStoredData = size;
            if (isWide(file) && hasDs64(file)) {
                marks.storedData = file.peekU64(28);
                if (size == allOnes)
                    marks.otherStoredData = marks.storedData;
            }
            marks.audioBegin = at + 8;
            marks.audioEnd =
                marks.audioBegin + std::min({marks.storedData, marks.otherStoredData, file.size - marks.audioBegin});
            break;
        }
        if (id == fourCC("fmt ") && !formatSeen && size >= 16) {
            formatSeen = true;
            marks.blockAlign = static_cast<std::uint16_t>(file.peek(at + 20) | file.peek(at + 21) << 8);
        } else if (id == fourCC("fact") && !marks.hasFact && size >= 4) {
            marks.hasFact = true;
            marks.factAt = at + 8;
        }
        at = ChunkHeader{id, size}.endFrom(at);
    }
    return marks;
}

std::string checkChunkReads(const ImageFile& file, const Landmarks& marks, const std::string& run) {
    for (const ImageFile::Request& request : file.reads) {
        const std::string what =
            run + " read " + std::to_string(request.count) + " bytes at " + std::to_string(request.offset);
        if (!request.positional)
            return what + " through the shared position";
        if (request.offset > file.size || request.count > file.size - request.offset)
            return what + ", past the end of the file of " + std::to_string(file.size);
        // Where the audio would run to the end, the rule may look where an
        // ID3v1 tag would begin and where an ID3v2 footer would stand.
        const std::uint64_t end = request.offset + request.count;
        const bool tagProbe = (request.offset == file.size - 128 && request.count <= 3)
            || (request.count <= 10 && (end == file.size || end == file.size - 128));
        if (marks.hasData && request.offset < marks.audioEnd && end > marks.audioBegin && !tagProbe)
            return what + ", inside the audio from " + std::to_string(marks.audioBegin);
    }
    return {};
}

// An AIFF file's FORM and SSND sizes and COMM frame count after a rewrite.
std::string checkAiffRewrite(const ImageFile& after, const Landmarks& marks) {
    const std::uint64_t size = after.size;
    const std::uint32_t formSize = peekBig32(after, 4);
    if (formSize != size - 8 && !(formSize < size - 8 && startsATag(after, formSize + 8)))
        return "after the repair the FORM size is " + std::to_string(formSize) + ", neither " + std::to_string(size - 8)
            + " nor where a tag begins";
    const std::uint64_t dataSize = std::uint64_t(peekBig32(after, marks.dataAt + 4)) - 8;
    const std::uint64_t toEnd = size - marks.audioBegin;
    if (dataSize != toEnd && dataSize != marks.storedData
        && !(dataSize < toEnd && startsATag(after, marks.audioBegin + dataSize)))
        return "after the repair SSND holds " + std::to_string(dataSize) + " bytes, neither the "
            + std::to_string(toEnd) + " to the end, nor the stored size, nor where a tag begins";
    if (marks.frameBytes == 0)
        return {};
    const std::uint64_t frames = dataSize > marks.ssndOffset ? (dataSize - marks.ssndOffset) / marks.frameBytes : 0;
    if (peekBig32(after, marks.factAt) != frames)
        return "after the repair COMM counts " + std::to_string(peekBig32(after, marks.factAt)) + " frames, not "
            + std::to_string(frames);
    return {};
}

// The bytes a rewrite changed lie in the fields the rule names, and those now
// hold the sizes a file of this size calls for.
std::string checkRewrite(const ImageFile& before, const ImageFile& after, const Landmarks& marks) {
    const bool wide = isWide(after);
    for (const std::uint64_t at : changedBytes(before, after)) {
        const bool allowed = (at < 4 && before.peekU32(0) == fourCC("RIFF") && after.peekU32(0) == fourCC("RF64"))
            || (at >= 4 && at < 8)
            || (at >= 12 && at < 16 && before.peekU32(12) == fourCC("JUNK") && after.peekU32(12) == fourCC("ds64"))
            || (at >= 20 && at < 48 && wide && hasDs64(after))
            || (marks.hasData && at >= marks.dataAt + 4 && at < marks.dataAt + 8)
            || (marks.hasFact && at >= marks.factAt && at < marks.factAt + 4);
        if (!allowed)
            return "the repair changed byte " + std::to_string(at) + ", outside the size fields";
    }
    if (!marks.hasData)
        return "the repair rewrote a file without a data chunk";

    const std::uint64_t size = after.size;
    if (marks.aiff)
        return checkAiffRewrite(after, marks);
    const std::uint64_t riffSize = wide ? after.peekU64(20) : after.peekU32(4);
    if ((riffSize != size - 8 && !(riffSize < size - 8 && startsATag(after, riffSize + 8)))
        || (wide && after.peekU32(4) != allOnes && after.peekU32(4) != riffSize))
        return "after the repair the RIFF size is " + std::to_string(riffSize) + ", neither " + std::to_string(size - 8)
            + " nor where a tag begins";
    const std::uint32_t dataField = after.peekU32(marks.dataAt + 4);
    const std::uint64_t dataSize = wide ? after.peekU64(28) : dataField;
    if (wide && dataField != allOnes && dataField != dataSize)
        return "after the repair the data chunk's size field disagrees with ds64";
    const std::uint64_t toEnd = size - marks.audioBegin;
    if (dataSize != toEnd && dataSize != marks.storedData && dataSize != marks.otherStoredData
        && !(dataSize < toEnd && startsATag(after, marks.audioBegin + dataSize)))
        return "after the repair the data size is " + std::to_string(dataSize) + ", neither the "
            + std::to_string(toEnd) + " bytes to the end, nor a stored size, nor where a tag begins";
    if (marks.blockAlign == 0)
        return {};
    const std::uint64_t frames = dataSize / marks.blockAlign;
    if (wide && after.peekU64(36) != frames)
        return "after the repair ds64 counts " + std::to_string(after.peekU64(36)) + " frames, not "
            + std::to_string(frames);
    if (marks.hasFact) {
        const std::uint32_t fact = after.peekU32(marks.factAt);
        if (fact != frames && !(wide && fact == allOnes))
            return "after the repair fact counts " + std::to_string(fact) + " frames, not " + std::to_string(frames);
    }
    return {};
}

// Each write of a rewrite reaches the disk before the next begins, and a
// crash after any prefix of them leaves a file the rule repairs to the same
// bytes.
std::string checkTornWrites(const ImageFile& before, const ImageFile& after) {
    // A sector reaches the disk whole, so writes within the one 512-byte
    // sector the last write lies in need no flush between them.
    std::vector<const FakeFileAccess::Event*> writes;
    bool flushed = true;
    for (const FakeFileAccess::Event& event : after.journal) {
        if (!event.flush) {
            const FakeFileAccess::Event* last = writes.empty() ? nullptr : writes.back();
            const bool sameSector = last != nullptr && last->offset / 512 == event.offset / 512
                && (last->offset + last->bytes.size() - 1) / 512 == (event.offset + event.bytes.size() - 1) / 512
                && last->offset / 512 == (event.offset + event.bytes.size() - 1) / 512;
            if (!flushed && !sameSector)
                return "the repair wrote at " + std::to_string(event.offset) + " before the last write was flushed";
            writes.push_back(&event);
        }
        flushed = event.flush;
    }
    const AnyLayoutRepairer repairer;
    for (std::size_t done = 1; done < writes.size(); ++done) {
        ImageFile torn = fresh(before);
        for (std::size_t i = 0; i < done; ++i)
            torn.place(writes[i]->offset, writes[i]->bytes);
        LayoutFindings findings;
        const RepairResult result = repairer.repair(torn, imagePath, false, findings);
        const std::string crash = "after a crash following write " + std::to_string(done) + " of "
            + std::to_string(writes.size()) + " the rule";
        if (result != Repaired)
            return crash + " answers " + resultName(result);
        const std::vector<std::uint64_t> changed = changedBytes(torn, after);
        if (!changed.empty())
            return crash + " repairs byte " + std::to_string(changed.front()) + " differently";
    }
    return {};
}

// A canonical 44-byte header of the supported kind whose fmt size, block align
// and byte rate agree with it, followed by audio alone: where the stored data
// ends inside the file, what follows is more than a pad byte and begins
// neither a chunk nor a tag, and nothing at the end looks like a closing tag.
bool isCanonicalAudioOnly(const ImageFile& file) {
    if (file.size < WaveHeader::size)
        return false;
    WaveHeader header;
    for (std::size_t i = 0; i < WaveHeader::size; ++i)
        header.bytes[i] = file.peek(i);
    if (!WaveRepairer().checkHeader(header) || header.fmtSize() != 16
        || header.blockAlign() != header.channels() * header.bitsPerSample() / 8
        || header.byteRate() != std::uint64_t(header.sampleRate()) * header.blockAlign())
        return false;
    // Audio that would look like the tags closing a file is not audio alone.
    if (file.size >= WaveHeader::size + 128 && startsATag(file, file.size - 128))
        return false;
    if (file.size >= WaveHeader::size + 10 && file.peek(file.size - 10) == '3' && file.peek(file.size - 9) == 'D'
        && file.peek(file.size - 8) == 'I')
        return false;
    const std::uint64_t stored = header.dataSize();
    if (stored >= file.size - WaveHeader::size)
        return true;
    // Nothing that follows the stored data, with or without a pad byte, may
    // begin like a chunk or a tag.
    const std::uint64_t end = WaveHeader::size + stored + (stored & 1);
    for (const std::uint64_t at : {end, WaveHeader::size + stored}) {
        if (at < file.size && ((file.size - at >= 4 && isChunkTag(file, at)) || startsATag(file, at)))
            return false;
    }
    return end < file.size;
}

}

std::string checkCanonicalRule(const FuzzImage& image) {
    const WaveRepairer repairer;
    ImageFile dry = fresh(image.file);
    RepairFindings dryFindings;
    const RepairResult answer = repairer.inspect(dry, imagePath, dryFindings);
    std::string broken = untouched(image.file, dry, "the dry run");
    if (broken.empty())
        broken = checkHeaderReads(dry, "the dry run");
    if (!broken.empty())
        return broken;

    ImageFile repaired = fresh(image.file);
    const RepairResult result = repairer.repair(repaired, imagePath, image.keepTime);
    if (result != answer)
        return "the dry run answered " + resultName(answer) + ", the repair " + resultName(result);
    broken = checkHeaderReads(repaired, "the repair");
    if (!broken.empty())
        return broken;
    if (result != Repaired)
        return untouched(image.file, repaired, "the repair answering " + resultName(result));

    for (const std::uint64_t at : changedBytes(image.file, repaired)) {
        if (!(at >= 4 && at < 8) && !(at >= 40 && at < 44))
            return "the repair changed byte " + std::to_string(at) + ", outside bytes 4-7 and 40-43";
    }
    const std::uint64_t size = repaired.size;
    if (repaired.peekU32(4) != size - 8 || repaired.peekU32(40) != size - WaveHeader::size)
        return "after the repair the sizes are " + std::to_string(repaired.peekU32(4)) + " and "
            + std::to_string(repaired.peekU32(40)) + " in a file of " + std::to_string(size);
    broken = timeAfterRewrite(image, repaired);
    if (!broken.empty())
        return broken;

    ImageFile again = fresh(repaired);
    const RepairResult second = repairer.repair(again, imagePath, image.keepTime);
    if (second != AlreadyValid)
        return "the repaired file is " + resultName(second) + " on the next run";
    return untouched(repaired, again, "the next run");
}

std::string checkAnyLayoutRule(const FuzzImage& image) {
    const AnyLayoutRepairer repairer;
    const Landmarks marks = findLandmarks(image.file);
    ImageFile dry = fresh(image.file);
    LayoutFindings dryFindings;
    const RepairResult answer = repairer.inspect(dry, imagePath, dryFindings);
    std::string broken = untouched(image.file, dry, "the dry run");
    if (broken.empty())
        broken = checkChunkReads(dry, marks, "the dry run");
    if (broken.empty() && marks.aiff && image.padsDropped && answer != AlreadyValid) {
        // Big-endian sizes begin with their high byte, which a walk that
        // looks for the next chunk at a dropped pad byte's place reads as no
        // chunk: a sound file stays so.
        ImageFile padded = fresh(image.withPads);
        LayoutFindings paddedFindings;
        if (repairer.inspect(padded, imagePath, paddedFindings) == AlreadyValid)
            broken = "a sound file without its pad bytes is " + resultName(answer);
    }
    if (!broken.empty())
        return broken;

    ImageFile repaired = fresh(image.file);
    LayoutFindings findings;
    const RepairResult result = repairer.repair(repaired, imagePath, image.keepTime, findings);
    if (result != answer)
        return "the dry run answered " + resultName(answer) + ", the repair " + resultName(result);
    if (findings.fault != dryFindings.fault || findings.offset != dryFindings.offset || findings.tag != dryFindings.tag)
        return "the dry run gave another reason than the repair";
    broken = checkChunkReads(repaired, marks, "the repair");
    if (!broken.empty())
        return broken;
    if (result != Repaired)
        return untouched(image.file, repaired, "the repair answering " + resultName(result));

    broken = checkRewrite(image.file, repaired, marks);
    if (broken.empty())
        broken = timeAfterRewrite(image, repaired);
    if (broken.empty())
        broken = checkTornWrites(image.file, repaired);
    if (!broken.empty())
        return broken;

    ImageFile again = fresh(repaired);
    LayoutFindings secondFindings;
    const RepairResult second = repairer.repair(again, imagePath, image.keepTime, secondFindings);
    if (second != AlreadyValid)
        return "the repaired file is " + resultName(second) + " on the next run";
    return untouched(repaired, again, "the next run");
}

std::string checkRulesAgree(const FuzzImage& image) {
    if (!isCanonicalAudioOnly(image.file))
        return {};
    ImageFile canonical = fresh(image.file);
    const RepairResult canonicalResult = WaveRepairer().repair(canonical, imagePath, image.keepTime);
    ImageFile anyLayout = fresh(image.file);
    LayoutFindings findings;
    const RepairResult anyLayoutResult = AnyLayoutRepairer().repair(anyLayout, imagePath, image.keepTime, findings);
    if (canonicalResult != anyLayoutResult)
        return "on a canonical file the canonical rule answers " + resultName(canonicalResult)
            + ", the any-layout rule " + resultName(anyLayoutResult);
    const std::vector<std::uint64_t> changed = changedBytes(canonical, anyLayout);
    if (!changed.empty())
        return "on a canonical file the two rules leave byte " + std::to_string(changed.front()) + " different";
    return {};
}

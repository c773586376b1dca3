#include "HeaderReviver.h"

#include "AudioStart.h"
#include "RevivedHeader.h"

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

// Finds the audio in the open file and plans the header: Repaired, or the
// outcome that ends the revival here.
RepairResult examine(RandomFileAccess& file, const RevivalFormat& format, std::vector<unsigned char>& header,
    RevivalFindings& findings) {
    if (!file.getSize(findings.fileSize))
        return FileError;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(findings.fileSize, audioSearchBytes));
    std::vector<unsigned char> bytes(count);
    if (!readWhole(file, 0, bytes.data(), static_cast<std::uint32_t>(count)))
        return FileError;
    const AudioStart start = findAudioStart(bytes.data(), count, format.samples, format.donorOffset);
    const std::size_t judgedFrom = start.fault == StartFault::None
        ? static_cast<std::size_t>(start.offset)
        : static_cast<std::size_t>(
            std::find_if(bytes.begin(), bytes.end(), [](unsigned char byte) { return byte != 0; }) - bytes.begin());
    if (start.fault == StartFault::None || start.fault == StartFault::NoFit) {
        findings.verdict =
            judgeFormat(bytes.data(), std::min(count, judgedFrom + judgedBytes), judgedFrom, format.samples);
        if (!findings.verdict.statedFits) {
            findings.fault = RevivalFault::NoFit;
            return Unsupported;
        }
    }
    findings.fault = faultOf(start.fault);
    if (findings.fault != RevivalFault::None)
        return Unsupported;
    findings.audioAt = start.offset;
    const std::uint64_t audioBytes = findings.fileSize - start.offset;
    findings.inPlace = start.offset > 0 && buildRevivedHeader(format, audioBytes, start.offset, header);
    if (!findings.inPlace)
        buildRevivedHeader(format, audioBytes, 0, header);
    return Repaired;
}

bool writeInPlace(RandomFileAccess& file, const std::vector<unsigned char>& header) {
    constexpr std::uint32_t form = 4;
    const std::uint32_t rest = static_cast<std::uint32_t>(header.size()) - form;
    std::uint32_t done = 0;
    if (!file.writeAt(form, header.data() + form, rest, done) || done != rest || !file.flush())
        return false;
    return file.writeAt(0, header.data(), form, done) && done == form;
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
    RepairResult result = file.getLastWriteTime(lastWrite) ? examine(file, format, header, findings) : FileError;
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
        if (!writeInPlace(file, header) || (keepTime && !file.setLastWriteTime(lastWrite)))
            result = FileError;
    }
    if (!file.close() && result == Repaired && findings.inPlace && !dryRun)
        result = FileError;
    return result;
}

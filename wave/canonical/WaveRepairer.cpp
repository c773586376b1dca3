#include "WaveRepairer.h"

#include "HeaderFault.h"

RepairResult WaveRepairer::repair(FileAccess& file, const char* path, bool keepTime) const {
    RepairFindings findings;
    return repair(file, path, keepTime, findings);
}

RepairResult WaveRepairer::repair(FileAccess& file, const char* path, bool keepTime, RepairFindings& findings) const {
    if (!file.open(path))
        return FileError;
    const RepairResult result = repairOpenFile(file, keepTime, findings);
    // A rewrite that the system could not get to the file is no repair.
    const bool closed = file.close();
    return result == Repaired && !closed ? FileError : result;
}

RepairResult WaveRepairer::inspect(FileAccess& file, const char* path, RepairFindings& findings) const {
    if (!file.open(path))
        return FileError;
    FileTime lastWrite;
    const RepairResult result = examine(file, lastWrite, findings);
    file.close();
    return result;
}

RepairResult WaveRepairer::repairOpenFile(FileAccess& file, bool keepTime, RepairFindings& findings) const {
    FileTime lastWrite;
    const RepairResult verdict = examine(file, lastWrite, findings);
    if (verdict != Repaired)
        return verdict;

    if (!seekTo(file, 0))
        return FileError;
    WaveHeader header = findings.header;
    setSizes(header, findings.fileSize);
    // A short write leaves a torn header: as much a failure as a refused one.
    std::uint32_t done = 0;
    if (!file.write(header.bytes, WaveHeader::size, done) || done != WaveHeader::size)
        return FileError;

    if (keepTime && !file.setLastWriteTime(lastWrite))
        return FileError;
    return Repaired;
}

RepairResult WaveRepairer::examine(FileAccess& file, FileTime& lastWrite, RepairFindings& findings) const {
    // Read whether or not it will be restored, so a file whose time cannot be
    // read is refused the same way in both modes.
    if (!file.getLastWriteTime(lastWrite))
        return FileError;
    if (!file.getSize(findings.fileSize))
        return FileError;
    WaveHeader header;
    std::uint32_t done = 0;
    if (!file.read(header.bytes, WaveHeader::size, done) || done != WaveHeader::size)
        return FileError;
    findings.header = header;
    return judge(findings);
}

bool WaveRepairer::checkHeader(const WaveHeader& header) const {
    return findHeaderFault(header) == HeaderFault::None;
}

bool WaveRepairer::seekTo(FileAccess& file, std::int64_t offset) const {
    if (!file.isOpen())
        return false;
    if (offset < 0 || offset > 0xFFFFFFFFll)
        return false;
    return file.seek(static_cast<std::uint32_t>(offset));
}

RepairResult WaveRepairer::assess(const WaveHeader& header, std::uint64_t fileSize) const {
    RepairFindings findings;
    findings.header = header;
    findings.fileSize = fileSize;
    return judge(findings);
}

RepairResult WaveRepairer::judge(RepairFindings& findings) const {
    const WaveHeader& header = findings.header;
    const std::uint64_t fileSize = findings.fileSize;
    // The header test comes first: a header of another kind is Unsupported
    // whatever the size.
    findings.fault = findHeaderFault(header);
    if (findings.fault != HeaderFault::None)
        return Unsupported;
    if (fileSize < WaveHeader::size)
        return FileError;
    // Larger sizes do not fit the 32-bit fields; writing them cut down would
    // corrupt the header.
    findings.tooLarge = fileSize > largestFileSize;
    if (findings.tooLarge)
        return Unsupported;
    if (header.riffSize() == fileSize - 8 && header.dataSize() == fileSize - WaveHeader::size)
        return AlreadyValid;
    return Repaired;
}

void WaveRepairer::setSizes(WaveHeader& header, std::uint64_t fileSize) const {
    header.setRiffSize(static_cast<std::uint32_t>(fileSize - 8));
    header.setDataSize(static_cast<std::uint32_t>(fileSize - WaveHeader::size));
}

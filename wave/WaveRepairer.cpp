#include "WaveRepairer.h"

#include "HeaderFault.h"
#include "PlatformFileAccess.h"

RepairResult WaveRepairer::repair(const char* path, bool keepTime) const
{
    PlatformFileAccess file;
    return repair(file, path, keepTime);
}

RepairResult WaveRepairer::repair(FileAccess& file, const char* path, bool keepTime) const
{
    if (!file.open(path))
        return FileError;
    const RepairResult result = repairOpenFile(file, keepTime);
    file.close();
    return result;
}

RepairResult WaveRepairer::repairOpenFile(FileAccess& file, bool keepTime) const
{
    // Read whether or not it will be restored, so a file whose time cannot be
    // read is refused the same way in both modes.
    FileTime lastWrite;
    if (!file.getLastWriteTime(lastWrite))
        return FileError;

    std::uint64_t fileSize = 0;
    if (!file.getSize(fileSize))
        return FileError;

    WaveHeader header;
    std::uint32_t done = 0;
    if (!file.read(header.bytes, WaveHeader::size, done) || done != WaveHeader::size)
        return FileError;

    const RepairResult verdict = assess(header, fileSize);
    if (verdict != Repaired)
        return verdict;

    if (!seekTo(file, 0))
        return FileError;
    setSizes(header, fileSize);
    // A short write leaves a torn header: as much a failure as a refused one.
    if (!file.write(header.bytes, WaveHeader::size, done) || done != WaveHeader::size)
        return FileError;

    if (keepTime && !file.setLastWriteTime(lastWrite))
        return FileError;
    return Repaired;
}

bool WaveRepairer::checkHeader(const WaveHeader& header) const
{
    return findHeaderFault(header) == HeaderFault::None;
}

bool WaveRepairer::seekTo(FileAccess& file, std::int64_t offset) const
{
    if (!file.isOpen())
        return false;
    if (offset < 0 || offset > 0xFFFFFFFFll)
        return false;
    return file.seek(static_cast<std::uint32_t>(offset));
}

RepairResult WaveRepairer::assess(const WaveHeader& header, std::uint64_t fileSize) const
{
    // The header test comes first: a header of another kind is Unsupported
    // whatever the size.
    if (!checkHeader(header))
        return Unsupported;
    if (fileSize < WaveHeader::size)
        return FileError;
    // Larger sizes do not fit the 32-bit fields; writing them cut down would
    // corrupt the header.
    if (fileSize > largestFileSize)
        return Unsupported;
    if (header.riffSize() == fileSize - 8 && header.dataSize() == fileSize - WaveHeader::size)
        return AlreadyValid;
    return Repaired;
}

void WaveRepairer::setSizes(WaveHeader& header, std::uint64_t fileSize) const
{
    header.setRiffSize(static_cast<std::uint32_t>(fileSize - 8));
    header.setDataSize(static_cast<std::uint32_t>(fileSize - WaveHeader::size));
}

#include "OutcomeText.h"

#include "HeaderFault.h"

#include <cstring>

std::string outcomeLine(const std::string& path, RepairResult result, bool dryRun, const std::string& why) {
    switch (result) {
    case Repaired:
        return path + (dryRun ? ": would be repaired" : ": repaired");
    case AlreadyValid:
        return path + ": already sound";
    case Unsupported:
        return path + ": unsupported format (" + why + ")";
    case FileError:
        break;
    }
    return path + ": file error (" + why + ")";
}

std::string unsupportedReason(const RepairFindings& findings) {
    const WaveHeader& header = findings.header;
    switch (findings.fault) {
    case HeaderFault::NotRiff:
    case HeaderFault::NotWave:
        return "not RIFF/WAVE";
    case HeaderFault::NoFormatChunk:
        return "the format chunk does not come first";
    case HeaderFault::NoDataChunk:
        return "a chunk other than data follows the format chunk";
    case HeaderFault::NotPcm:
        return "format " + std::to_string(header.formatTag()) + ", not integer PCM";
    case HeaderFault::ChannelCount:
        return std::to_string(header.channels()) + " channels";
    case HeaderFault::SampleWidth:
        return std::to_string(header.bitsPerSample()) + " bits per sample";
    case HeaderFault::NoSampleRate:
        return "sample rate 0";
    case HeaderFault::None:
        break;
    }
    return findings.tooLarge ? "larger than 4 GiB + 7 bytes" : "";
}

std::string fileLayerReason(const PosixFileAccess& file) {
    switch (file.refusal()) {
    case PosixFileAccess::Refusal::NotRegularFile:
        return "not a regular file";
    case PosixFileAccess::Refusal::ReadOnly:
        return "read-only";
    case PosixFileAccess::Refusal::Locked:
        return "locked by another process";
    case PosixFileAccess::Refusal::InUse:
        return "in use by another process";
    case PosixFileAccess::Refusal::AppendOnly:
        return "append-only";
    case PosixFileAccess::Refusal::Immutable:
        return "immutable";
    case PosixFileAccess::Refusal::Replaced:
        return "replaced while it was opened";
    case PosixFileAccess::Refusal::NotOwner:
        return "not the owner, so the modification time cannot be kept (--touch lets it change)";
    case PosixFileAccess::Refusal::None:
        break;
    }
    return file.lastError() != 0 ? std::strerror(file.lastError()) : "";
}

std::string fileErrorReason(const RepairFindings& findings, const PosixFileAccess& file) {
    const std::string layer = fileLayerReason(file);
    if (!layer.empty())
        return layer;
    if (findings.fileSize < WaveHeader::size)
        return "shorter than the 44-byte header";
    return "the header could not be transferred whole";
}

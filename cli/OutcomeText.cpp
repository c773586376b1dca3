#include "OutcomeText.h"

#include "HeaderFault.h"

std::string outcomeLine(const std::string& path, RepairResult result, bool dryRun, const std::string& why) {
    const std::string line = path + ": " + outcomeWord(result, dryRun);
    return result == Unsupported || result == FileError ? line + " (" + why + ")" : line;
}

std::string outcomeWord(RepairResult result, bool dryRun) {
    switch (result) {
    case Repaired:
        return dryRun ? "would be repaired" : "repaired";
    case AlreadyValid:
        return "already sound";
    case Unsupported:
        return "unsupported format";
    case FileError:
        break;
    }
    return "file error";
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

std::string fileErrorReason(const RepairFindings& findings, const std::string& layerReason) {
    if (!layerReason.empty())
        return layerReason;
    if (findings.fileSize < WaveHeader::size)
        return "shorter than the 44-byte header";
    return "the header could not be transferred whole";
}

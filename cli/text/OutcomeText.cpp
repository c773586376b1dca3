#include "OutcomeText.h"

#include "HeaderFault.h"

std::string outcomeLine(Language language, const std::string& path, RepairResult result, bool dryRun,
    const std::string& why) {
    const std::string line = path + ": " + outcomeWord(language, result, dryRun);
    return result == Unsupported || result == FileError ? line + " (" + why + ")" : line;
}

std::string outcomeWord(Language language, RepairResult result, bool dryRun) {
    switch (result) {
    case Repaired:
        return say(language, dryRun ? Text::WouldBeRepaired : Text::Repaired);
    case AlreadyValid:
        return say(language, Text::AlreadySound);
    case Unsupported:
        return say(language, Text::Unsupported);
    case FileError:
        break;
    }
    return say(language, Text::FileError);
}

std::string unsupportedReason(Language language, const RepairFindings& findings) {
    const WaveHeader& header = findings.header;
    switch (findings.fault) {
    case HeaderFault::NotRiff:
    case HeaderFault::NotWave:
        return say(language, Text::NotRiffWave);
    case HeaderFault::NoFormatChunk:
        return say(language, Text::FormatChunkNotFirst);
    case HeaderFault::NoDataChunk:
        return say(language, Text::DataNotNext);
    case HeaderFault::NotPcm:
        return say(language, Text::NotIntegerPcm, {std::to_string(header.formatTag())});
    case HeaderFault::ChannelCount:
        return say(language, Text::ChannelCount, {std::to_string(header.channels())});
    case HeaderFault::SampleWidth:
        return say(language, Text::SampleWidth, {std::to_string(header.bitsPerSample())});
    case HeaderFault::NoSampleRate:
        return say(language, Text::NoSampleRate);
    case HeaderFault::None:
        break;
    }
    return findings.tooLarge ? say(language, Text::Over4GiB) : "";
}

std::string fileErrorReason(Language language, const RepairFindings& findings, const std::string& layerReason) {
    if (!layerReason.empty())
        return layerReason;
    if (findings.fileSize < WaveHeader::size)
        return say(language, Text::ShorterThanHeader);
    return say(language, Text::HeaderNotTransferred);
}

#include "RevivalOutcomeText.h"

#include "LayoutOutcomeText.h"

std::string formatName(Language language, const SampleFormat& format) {
    const std::string bits = std::to_string(8 * format.width);
    if (format.channels > 2)
        return say(language, format.isFloat ? Text::FloatChannels : Text::IntegerChannels,
            {bits, std::to_string(format.channels)});
    if (format.channels == 1)
        return say(language, format.isFloat ? Text::FloatMono : Text::IntegerMono, {bits});
    return say(language, format.isFloat ? Text::FloatStereo : Text::IntegerStereo, {bits});
}

std::string revivalDetail(Language language, const RevivalFindings& findings, const std::string& besidePath) {
    const std::string from = std::to_string(findings.audioAt);
    return findings.inPlace ? say(language, Text::RebuiltInPlace, {from})
                            : say(language, Text::WrittenBeside, {besidePath, from});
}

std::string revivalUnsupportedReason(Language language, const RevivalFindings& findings, const SampleFormat& stated,
    bool donor) {
    switch (findings.fault) {
    case RevivalFault::Silence:
        return say(language, Text::OnlySilence);
    case RevivalFault::NoFit:
        return findings.verdict.betterFound ? say(language, Text::OtherFormatFits,
                   {formatName(language, stated), formatName(language, findings.verdict.better)})
                                            : say(language, Text::NoFormatFits, {formatName(language, stated)});
    case RevivalFault::ChannelOrder:
        return say(language, donor ? Text::ChannelOrderUnknownWithDonor : Text::ChannelOrderUnknown);
    case RevivalFault::None:
        break;
    }
    return "";
}

std::string revivalFileErrorReason(Language language, const RevivalFindings& findings, const std::string& layerReason,
    const std::string& newFileReason, const std::string& besidePath) {
    if (findings.newFileFailed && !newFileReason.empty())
        return besidePath + ": " + newFileReason;
    return layerReason.empty() ? say(language, Text::ShortTransfer) : layerReason;
}

std::string donorReason(Language language, DonorFault fault, const LayoutFindings& findings) {
    switch (fault) {
    case DonorFault::Unsound:
        return layoutUnsupportedReason(language, findings);
    case DonorFault::NotRiff:
        return say(language, Text::DonorAiff);
    case DonorFault::Compressed:
        return say(language, Text::DonorCompressed, {formatCode(findings.format.sampleFormat)});
    case DonorFault::SampleWidth:
        return say(language, Text::DonorSampleWidth, {std::to_string(findings.format.bitsPerSample)});
    case DonorFault::None:
        break;
    }
    return "";
}

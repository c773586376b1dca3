#include "RevivalOutcomeText.h"

#include "LayoutOutcomeText.h"
#include "OutcomeText.h"

#include <cstdio>
#include <cstring>

std::string formatName(const SampleFormat& format) {
    const std::string width = std::to_string(8 * format.width) + "-bit " + (format.isFloat ? "float " : "");
    if (format.channels <= 2)
        return width + (format.channels == 1 ? "mono" : "stereo");
    return width + std::to_string(format.channels) + "-channel";
}

std::string revivalDetail(const RevivalFindings& findings, const std::string& besidePath) {
    const std::string from = "audio from offset " + std::to_string(findings.audioAt);
    return findings.inPlace ? "header rebuilt in place, " + from : "written to " + besidePath + ", " + from;
}

std::string revivalUnsupportedReason(const RevivalFindings& findings, const SampleFormat& stated, bool donor) {
    switch (findings.fault) {
    case RevivalFault::Silence:
        return "the header is lost and only silence follows, which proves no format";
    case RevivalFault::NoFit: {
        const std::string doesNot = "the audio does not look like " + formatName(stated);
        return findings.verdict.betterFound ? doesNot + "; " + formatName(findings.verdict.better) + " fits"
                                            : doesNot + " or any other PCM or float format";
    }
    case RevivalFault::ChannelOrder:
        return std::string("the header is lost and which channel comes first cannot be told from the samples")
            + (donor ? " or the donor's data offset" : "");
    case RevivalFault::None:
        break;
    }
    return "";
}

std::string revivalFileErrorReason(const RevivalFindings& findings, const std::string& layerReason,
    const std::string& newFileReason, const std::string& besidePath) {
    if (findings.newFileFailed && !newFileReason.empty())
        return besidePath + ": " + newFileReason;
    return layerReason.empty() ? "a read or write came up short" : layerReason;
}

std::string donorReason(DonorFault fault, const LayoutFindings& findings) {
    switch (fault) {
    case DonorFault::Unsound:
        return layoutUnsupportedReason(findings);
    case DonorFault::NotRiff:
        return "AIFF, whose samples are big-endian";
    case DonorFault::Compressed: {
        char code[8];
        std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(findings.format.sampleFormat));
        return std::string("format ") + code + ", which is neither integer PCM nor float";
    }
    case DonorFault::SampleWidth:
        return std::to_string(findings.format.bitsPerSample) + " bits per sample, which are not read here";
    case DonorFault::None:
        break;
    }
    return "";
}

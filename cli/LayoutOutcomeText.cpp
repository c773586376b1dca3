#include "LayoutOutcomeText.h"

#include "ChunkHeader.h"

#include <cstdio>

namespace {

std::string quoted(std::uint32_t tag) {
    std::string text = "'";
    for (int i = 0; i < 4; ++i)
        text += static_cast<char>(tag >> (8 * i));
    return text + "'";
}

std::string formatCode(std::uint16_t tag) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(tag));
    return text;
}

}

std::string layoutUnsupportedReason(const LayoutFindings& findings) {
    const std::string offset = std::to_string(findings.offset);
    const std::string tag = quoted(findings.tag);
    const FrameFormat& format = findings.format;
    switch (findings.fault) {
    case LayoutFault::UnknownContainer:
        return "not RIFF/WAVE, RF64 or AIFF";
    case LayoutFault::NoDs64:
        return "RF64 without a ds64 chunk first";
    case LayoutFault::CutChunkHeader:
        return "the file ends inside a chunk header at offset " + offset;
    case LayoutFault::DamagedChunk:
        return "damaged chunk header at offset " + offset;
    case LayoutFault::ChunkPastEnd:
        return "the " + tag + " chunk at offset " + offset + " runs past the end of the file";
    case LayoutFault::ShortChunk:
        return "the " + tag + " chunk at offset " + offset + " is too short (" + std::to_string(findings.chunkSize)
            + " bytes)";
    case LayoutFault::RepeatedChunk:
        return "a second " + tag + " chunk at offset " + offset;
    case LayoutFault::TableSized:
        return "the " + tag + " chunk at offset " + offset + " takes its size from the ds64 table";
    case LayoutFault::TooManyChunks:
        return "more than " + std::to_string(maxChunks) + " chunks";
    case LayoutFault::NoFormatChunk:
        return findings.tag == fourCC("SSND") ? "no COMM chunk before the SSND chunk" : "no fmt chunk before the data";
    case LayoutFault::NoDataChunk:
        return "no data or SSND chunk";
    case LayoutFault::FormatTag:
        return "compressed or unknown format " + formatCode(format.formatTag);
    case LayoutFault::SubFormat:
        return "extensible format with a sub-format other than PCM, float, A-law or mu-law";
    case LayoutFault::NoChannels:
        return "0 channels";
    case LayoutFault::NoSampleRate:
        return "sample rate 0";
    case LayoutFault::SampleWidth:
        // Only AIFF, which has no format tag, leaves it 0 here.
        return std::to_string(format.bitsPerSample) + " bits per sample"
            + (format.formatTag != 0 ? " in format " + formatCode(format.sampleFormat) : "");
    case LayoutFault::SampleRate:
        return "a sample rate that is not positive and finite";
    case LayoutFault::Compression:
        return "AIFF-C compression " + tag + ", whose frames have no fixed size";
    case LayoutFault::BlockAlign:
        return "block align " + std::to_string(format.blockAlign) + " for " + std::to_string(format.channels)
            + " channels of " + std::to_string(format.bitsPerSample) + " bits";
    case LayoutFault::ByteRate:
        return "byte rate " + std::to_string(format.byteRate) + " for " + std::to_string(format.sampleRate) + " Hz and "
            + std::to_string(format.blockAlign) + "-byte frames";
    case LayoutFault::DamagedAfterData:
        return "a damaged or cut chunk at offset " + offset + " after the whole data chunk";
    case LayoutFault::NoRoomForDs64:
        return "larger than 4 GiB + 7 bytes, with no JUNK chunk after WAVE to become ds64";
    case LayoutFault::TooLarge:
        return "larger than 4 GiB + 7 bytes, which AIFF cannot describe";
    case LayoutFault::None:
        break;
    }
    return "";
}

std::string layoutFileErrorReason(const LayoutFindings& findings, const std::string& layerReason) {
    if (!layerReason.empty())
        return layerReason;
    if (findings.fileSize < 12)
        return "shorter than the 12-byte RIFF header";
    return "a read or write came up short";
}

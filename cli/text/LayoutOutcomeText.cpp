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

}

std::string formatCode(std::uint16_t tag) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(tag));
    return text;
}

std::string layoutUnsupportedReason(Language language, const LayoutFindings& findings) {
    const std::string offset = std::to_string(findings.offset);
    const std::string tag = quoted(findings.tag);
    const FrameFormat& format = findings.format;
    switch (findings.fault) {
    case LayoutFault::UnknownContainer:
        return say(language, Text::UnknownContainer);
    case LayoutFault::NoDs64:
        return say(language, Text::NoDs64);
    case LayoutFault::CutChunkHeader:
        return say(language, Text::CutChunkHeader, {offset});
    case LayoutFault::DamagedChunk:
        return say(language, Text::DamagedChunk, {offset});
    case LayoutFault::ChunkPastEnd:
        return say(language, Text::ChunkPastEnd, {tag, offset});
    case LayoutFault::ShortChunk:
        return say(language, Text::ShortChunk, {tag, offset, std::to_string(findings.chunkSize)});
    case LayoutFault::RepeatedChunk:
        return say(language, Text::RepeatedChunk, {tag, offset});
    case LayoutFault::TableSized:
        return say(language, Text::TableSized, {tag, offset});
    case LayoutFault::TooManyChunks:
        return say(language, Text::TooManyChunks, {std::to_string(maxChunks)});
    case LayoutFault::NoFormatChunk:
        return say(language, findings.tag == fourCC("SSND") ? Text::NoCommChunk : Text::NoFmtChunk);
    case LayoutFault::NoDataChunk:
        return say(language, Text::NoDataChunk);
    case LayoutFault::FormatTag:
        return say(language, Text::CompressedFormat, {formatCode(format.formatTag)});
    case LayoutFault::SubFormat:
        return say(language, Text::SubFormat);
    case LayoutFault::NoChannels:
        return say(language, Text::ChannelCount, {"0"});
    case LayoutFault::NoSampleRate:
        return say(language, Text::NoSampleRate);
    case LayoutFault::SampleWidth:
        // Only AIFF, which has no format tag, leaves it 0 here.
        return format.formatTag != 0 ? say(language, Text::SampleWidthOfFormat,
                   {std::to_string(format.bitsPerSample), formatCode(format.sampleFormat)})
                                     : say(language, Text::SampleWidth, {std::to_string(format.bitsPerSample)});
    case LayoutFault::SampleRate:
        return say(language, Text::SampleRateNotFinite);
    case LayoutFault::Compression:
        return say(language, Text::AiffCompression, {tag});
    case LayoutFault::BlockAlign:
        return say(language, Text::BlockAlign,
            {std::to_string(format.blockAlign), std::to_string(format.channels), std::to_string(format.bitsPerSample)});
    case LayoutFault::ByteRate:
        return say(language, Text::ByteRate,
            {std::to_string(format.byteRate), std::to_string(format.sampleRate), std::to_string(format.blockAlign)});
    case LayoutFault::DamagedAfterData:
        return say(language, Text::DamagedAfterData, {offset});
    case LayoutFault::NoRoomForDs64:
        return say(language, Text::NoRoomForDs64);
    case LayoutFault::TooLarge:
        return say(language, Text::AiffTooLarge);
    case LayoutFault::None:
        break;
    }
    return "";
}

std::string layoutFileErrorReason(Language language, const LayoutFindings& findings, const std::string& layerReason) {
    if (!layerReason.empty())
        return layerReason;
    if (findings.fileSize < 12)
        return say(language, Text::ShorterThanRiff);
    return say(language, Text::ShortTransfer);
}

#include "AiffLayout.h"

#include "ChunkHeader.h"
#include "ChunkWalk.h"

#include <algorithm>

namespace {

// Channels, frames, sample size and the 80-bit sample rate; AIFF-C adds the
// compression type (and its name, unread).
constexpr std::uint32_t commBytes = 18;
constexpr std::uint32_t aifcCommBytes = 22;

std::uint32_t loadBig32(const unsigned char* at) {
    return static_cast<std::uint32_t>(loadUnsigned(at, 4, ByteOrder::Big));
}

// An 80-bit IEEE 754 extended number: sign, 15-bit exponent, 64-bit
// mantissa with its integer bit. True when it is positive and finite; rate
// gets its whole part where that fits 32 bits.
bool positiveFinite(const unsigned char* at, std::uint32_t& rate) {
    const unsigned signAndExponent = static_cast<unsigned>(loadUnsigned(at, 2, ByteOrder::Big));
    const std::uint64_t mantissa = loadUnsigned(at + 2, 8, ByteOrder::Big);
    const int exponent = static_cast<int>(signAndExponent & 0x7FFF) - 16383;
    rate = exponent >= 0 && exponent < 32 ? static_cast<std::uint32_t>(mantissa >> (63 - exponent)) : 0;
    return (signAndExponent & 0x8000) == 0 && (signAndExponent & 0x7FFF) != 0x7FFF && mantissa != 0;
}

// A-law and mu-law: one byte a sample, whose sample size writers state as 8
// or as the 16 bits it decodes to.
bool isCompanded(std::uint32_t compression) {
    return compression == fourCC("alaw") || compression == fourCC("ALAW") || compression == fourCC("ulaw")
        || compression == fourCC("ULAW");
}

// The bytes one sample takes under an AIFF-C compression type of fixed
// frames, of bits stated bits; 0 for any other type.
std::uint32_t sampleBytes(std::uint32_t compression, unsigned bits) {
    const std::uint32_t whole = (bits + 7) / 8;
    if (compression == fourCC("NONE") || compression == fourCC("twos") || compression == fourCC("sowt")
        || compression == fourCC("raw "))
        return whole;
    if (compression == fourCC("in24"))
        return 3;
    if (compression == fourCC("in32") || compression == fourCC("fl32") || compression == fourCC("FL32"))
        return 4;
    if (compression == fourCC("fl64") || compression == fourCC("FL64"))
        return 8;
    if (isCompanded(compression))
        return 1;
    return 0;
}

bool readComm(RandomFileAccess& file, std::uint64_t at, const ChunkHeader& chunk, bool aifc, AiffLayout& layout,
    LayoutFindings& findings) {
    const std::uint32_t needed = aifc ? aifcCommBytes : commBytes;
    if (chunk.size < needed)
        return refuse(findings, LayoutFault::ShortChunk, at, chunk.id, chunk.size);
    unsigned char body[aifcCommBytes];
    if (!readWhole(file, at + ChunkHeader::bytes, body, needed))
        return false;
    FrameFormat& format = findings.format;
    format.channels = static_cast<std::uint16_t>(loadUnsigned(body, 2, ByteOrder::Big));
    format.bitsPerSample = static_cast<std::uint16_t>(loadUnsigned(body + 6, 2, ByteOrder::Big));
    layout.framesAt = at + ChunkHeader::bytes + 2;
    layout.frames = loadBig32(body + 2);
    const bool rateSound = positiveFinite(body + 8, format.sampleRate);
    if (format.channels == 0)
        return refuse(findings, LayoutFault::NoChannels, at, chunk.id, chunk.size);
    if (!rateSound)
        return refuse(findings, LayoutFault::SampleRate, at, chunk.id, chunk.size);
    const std::uint32_t compression = aifc ? loadU32(body + 18) : fourCC("NONE");
    layout.compression = compression;
    const std::uint32_t bytes = sampleBytes(compression, format.bitsPerSample);
    if (bytes == 0)
        return refuse(findings, LayoutFault::Compression, at, compression, chunk.size);
    const unsigned widest = isCompanded(compression) ? 16 : 8 * bytes;
    if (format.bitsPerSample == 0 || format.bitsPerSample > widest)
        return refuse(findings, LayoutFault::SampleWidth, at, chunk.id, chunk.size);
    layout.frameBytes = bytes * format.channels;
    format.blockAlign = static_cast<std::uint16_t>(std::min<std::uint32_t>(layout.frameBytes, 0xFFFF));
    return true;
}

}

bool isAiffForm(const unsigned char* form) {
    const std::uint32_t type = loadU32(form + 8);
    return loadU32(form) == fourCC("FORM") && (type == fourCC("AIFF") || type == fourCC("AIFC"));
}

bool readAiffLayout(RandomFileAccess& file, const unsigned char* form, std::uint64_t fileSize, AiffLayout& layout,
    LayoutFindings& findings) {
    layout = AiffLayout();
    findings.fault = LayoutFault::None;
    const bool aifc = loadU32(form + 8) == fourCC("AIFC");
    layout.formSize = loadBig32(form + 4);

    bool commSeen = false;
    for (std::uint64_t at = 12, count = 0;; ++count) {
        ChunkHeader chunk;
        if (!readChunkBeforeAudio(file, fileSize, at, count, ByteOrder::Big, chunk, findings))
            return false;
        if (findings.fault != LayoutFault::None)
            return true;
        if (chunk.id == fourCC("SSND")) {
            if (!commSeen)
                return refuse(findings, LayoutFault::NoFormatChunk, at, chunk.id, chunk.size);
            // Its offset and block size come first; a file cut inside them
            // has no audio to repair.
            unsigned char fields[4];
            if (fileSize - at < 16)
                return refuse(findings, LayoutFault::CutChunkHeader, at, chunk.id, chunk.size);
            if (!readWhole(file, at + ChunkHeader::bytes, fields, 4))
                return false;
            layout.ssndAt = at;
            layout.ssndSize = chunk.size;
            layout.ssndOffset = loadBig32(fields);
            break;
        }
        if (chunk.size > fileSize - at - ChunkHeader::bytes)
            return refuse(findings, LayoutFault::ChunkPastEnd, at, chunk.id, chunk.size);
        if (chunk.id == fourCC("COMM")) {
            if (commSeen)
                return refuse(findings, LayoutFault::RepeatedChunk, at, chunk.id, chunk.size);
            commSeen = true;
            if (!readComm(file, at, chunk, aifc, layout, findings))
                return false;
            if (findings.fault != LayoutFault::None)
                return true;
        }
        at = std::min(fileSize, chunk.endFrom(at));
    }
    // The SSND size counts its offset and block size fields; one too small
    // to hold them stands for no audio.
    const std::uint64_t stored = layout.ssndSize >= 8 ? layout.ssndSize - 8 : 0;
    ChunkRules rules;
    rules.order = ByteOrder::Big;
    return judgeAudioEnd(file, fileSize, layout.payloadAt(), &stored, 1, rules, layout.audioEnd);
}

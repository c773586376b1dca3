#pragma once

#include "AudioEnd.h"
#include "FrameFormat.h"
#include "LayoutFindings.h"
#include "RandomFileAccess.h"

#include <cstdint>

// Where an AIFF or AIFF-C file keeps the fields its sizes live in, and what
// they hold, as one walk over its big-endian chunks found them.
struct AiffLayout {
    std::uint32_t formSize = 0;
    // The COMM chunk's frame count, and where it stands.
    std::uint64_t framesAt = 0;
    std::uint32_t frames = 0;
    // Bytes of one frame, all channels, as the compression type stores them.
    std::uint32_t frameBytes = 0;
    // The AIFF-C compression type; NONE for AIFF.
    std::uint32_t compression = 0;
    std::uint64_t ssndAt = 0; // offset of the SSND chunk's header
    std::uint32_t ssndSize = 0; // its size, which counts offset and block size
    std::uint32_t ssndOffset = 0; // bytes before the first frame
    // What follows the stored audio, which begins after the SSND chunk's
    // offset and block size fields.
    AudioEnd audioEnd;

    std::uint64_t payloadAt() const { return ssndAt + 16; }
};

// Walks the chunks of a FORM/AIFF or FORM/AIFC file of fileSize bytes, whose
// first 12 bytes are form, from offset 12, reading only chunk headers and the
// COMM body and SSND's offset; then judges what follows the audio (see
// judgeAudioEnd). COMM must come before SSND, with a positive and finite
// sample rate and, in AIFF-C, a compression type of fixed frames. Returns
// false when a read failed or came up short; otherwise findings.fault is None
// and layout complete, or the fault with where it lies.
bool readAiffLayout(RandomFileAccess& file, const unsigned char* form, std::uint64_t fileSize, AiffLayout& layout,
    LayoutFindings& findings);

// A FORM whose form type is AIFF or AIFC.
bool isAiffForm(const unsigned char* form);

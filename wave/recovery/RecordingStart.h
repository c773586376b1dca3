#pragma once

#include "LayoutFindings.h"
#include "SampleFormat.h"

#include <cstddef>
#include <cstdint>

// How the samples of a recording are stored, so that its sound can be followed
// through clusters: as SampleFormat reads them (little-endian, 8-bit unsigned)
// once each sample's bytes are turned around (bigEndian) and an 8-bit
// sample's top bit flipped (signedBytes).
struct StoredSamples {
    SampleFormat format;
    bool bigEndian = false;
    bool signedBytes = false;
};

// What the header at the start of a recording tells.
struct RecordingStart {
    bool aiff = false;
    // Where the frames begin, from the recording's first byte.
    std::uint64_t audioAt = 0;
    // Where the recording ends as its header states it (the form's size), 0
    // when the header states nothing (sizes of 0, of all ones, or short of the
    // audio's start).
    std::uint64_t statedEnd = 0;
    std::uint32_t rate = 0;
    std::uint32_t frameBytes = 0;
    // Integer PCM or float samples, which can be followed without a chain.
    bool followable = false;
    StoredSamples samples;
};

// Whether bytes begin a recording: RIFF, RF64 or BW64 with WAVE, or FORM with
// AIFF or AIFC.
bool beginsRecording(const unsigned char* bytes, std::size_t count);

enum class StartReading {
    Read,
    // The header describes no recording the default rule takes; findings say
    // why.
    Unsupported,
    // The header runs past the bytes given.
    TooShort
};

// Reads the header of the recording whose first count bytes are bytes, by the
// default rule's walk over its chunks.
StartReading readRecordingStart(const unsigned char* bytes, std::size_t count, RecordingStart& start,
    LayoutFindings& findings);

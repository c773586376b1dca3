#pragma once

#include "LayoutFindings.h"
#include "RandomFileAccess.h"
#include "RevivalFormat.h"

#include <cstdint>

// Why a donor cannot describe recordings that lost their header.
enum class DonorFault {
    None,
    // The default rule can neither take it as sound nor repair it; findings
    // say why.
    Unsound,
    // AIFF, whose samples are big-endian.
    NotRiff,
    // A-law, mu-law or any format but integer PCM and IEEE float.
    Compressed,
    // Samples of a width the revival does not read.
    SampleWidth
};

// Reads the format of the donor, a file of fileSize bytes open in file, that
// the default rule finds sound or would repair: its fmt chunk as it is
// (extensible with its sub-format and channel mask included) and where its
// audio begins. False when a read failed.
bool readDonorFormat(RandomFileAccess& file, std::uint64_t fileSize, RevivalFormat& format, DonorFault& fault,
    LayoutFindings& findings);

#pragma once

#include "Catalog.h"
#include "DonorFormat.h"
#include "HeaderReviver.h"

#include <string>

// How a revival went, for the parentheses after "repaired" or "would be
// repaired": where the header went and where the audio begins.
std::string revivalDetail(Language language, const RevivalFindings& findings, const std::string& besidePath);

// Why a recording that lost its header was not revived.
std::string revivalUnsupportedReason(Language language, const RevivalFindings& findings, const SampleFormat& stated,
    bool donor);

// What went wrong with the recording (the file layer's reason) or the new
// file (the reason the system gave for it).
std::string revivalFileErrorReason(Language language, const RevivalFindings& findings, const std::string& layerReason,
    const std::string& newFileReason, const std::string& besidePath);

// Why the donor cannot describe the files.
std::string donorReason(Language language, DonorFault fault, const LayoutFindings& findings);

// "16-bit stereo", "32-bit float mono", "24-bit 6-channel".
std::string formatName(Language language, const SampleFormat& format);

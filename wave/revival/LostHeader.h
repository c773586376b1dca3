#pragma once

#include "LayoutFindings.h"

// Whether the default rule's refusal means the file lost its header rather
// than holding one it cannot take: no RIFF, RF64, BW64 or AIFF form at all, a
// walk that meets bytes that are no chunk before any fmt chunk, or a fmt chunk
// that is missing or names no channels, no rate or no known format.
inline bool headerLost(const LayoutFindings& findings) {
    switch (findings.fault) {
    case LayoutFault::UnknownContainer:
    case LayoutFault::NoFormatChunk:
    case LayoutFault::NoChannels:
    case LayoutFault::NoSampleRate:
        return true;
    case LayoutFault::DamagedChunk:
        return findings.format.formatTag == 0 && findings.format.channels == 0;
    case LayoutFault::FormatTag:
        return findings.format.formatTag == 0;
    default:
        return false;
    }
}

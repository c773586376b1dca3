#pragma once

#include "WaveHeader.h"

// The first test a header fails, in the order the tests run; None when the
// header is of the supported kind (canonical 44-byte PCM, mono or stereo,
// 8 or 16 bits per sample).
enum class HeaderFault {
    None,
    NotRiff,
    NotWave,
    NoFormatChunk,
    NoDataChunk,
    NotPcm,
    ChannelCount,
    SampleWidth,
    NoSampleRate
};

HeaderFault findHeaderFault(const WaveHeader& header);

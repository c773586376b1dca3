#include "HeaderFault.h"

HeaderFault findHeaderFault(const WaveHeader& header) {
    if (header.riffTag() != WaveHeader::tag("RIFF"))
        return HeaderFault::NotRiff;
    if (header.waveTag() != WaveHeader::tag("WAVE"))
        return HeaderFault::NotWave;
    if (header.fmtTag() != WaveHeader::tag("fmt "))
        return HeaderFault::NoFormatChunk;
    if (header.dataTag() != WaveHeader::tag("data"))
        return HeaderFault::NoDataChunk;
    if (header.formatTag() != 1)
        return HeaderFault::NotPcm;
    if (header.channels() != 1 && header.channels() != 2)
        return HeaderFault::ChannelCount;
    if (header.bitsPerSample() != 8 && header.bitsPerSample() != 16)
        return HeaderFault::SampleWidth;
    if (header.sampleRate() == 0)
        return HeaderFault::NoSampleRate;
    return HeaderFault::None;
}

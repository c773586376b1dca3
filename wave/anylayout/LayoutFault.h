#pragma once

// Why the any-layout rule leaves a file alone. Each names what the rule could
// not explain; None when it could.
enum class LayoutFault {
    None,
    // Neither RIFF/WAVE, RF64 nor AIFF.
    UnknownContainer,
    // RF64 or BW64 whose first chunk is not ds64.
    NoDs64,
    // A chunk header before the data cut off by the end of the file.
    CutChunkHeader,
    // Four bytes where a chunk identifier belongs that are not one.
    DamagedChunk,
    // A chunk before the data that runs past the end of the file.
    ChunkPastEnd,
    // A ds64, fmt or fact chunk too short for its fields.
    ShortChunk,
    // A second fmt or fact chunk before the data.
    RepeatedChunk,
    // A chunk other than data whose size only the ds64 table holds.
    TableSized,
    TooManyChunks,
    NoFormatChunk,
    NoDataChunk,
    // A format whose frames have no fixed size, or one not known here.
    FormatTag,
    // Extensible, with a sub-format other than PCM, IEEE float, A-law or
    // mu-law.
    SubFormat,
    NoChannels,
    NoSampleRate,
    // An AIFF sample rate that is not positive and finite.
    SampleRate,
    // An AIFF-C compression type whose frames have no fixed size.
    Compression,
    SampleWidth,
    BlockAlign,
    ByteRate,
    // The stored data chunk is whole and what follows it is a damaged or cut
    // chunk that the RIFF size claims.
    DamagedAfterData,
    // Sizes past 32 bits in a RIFF file without a JUNK chunk after WAVE to
    // become ds64.
    NoRoomForDs64,
    // Sizes past 32 bits in an AIFF file, which has no 64-bit form.
    TooLarge
};

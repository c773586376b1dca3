#pragma once

#include "SampleFormat.h"

#include <cstddef>
#include <vector>

// What a stretch of sound is like, channel by channel: its loudest sample,
// its usual step from one sample to the next, and its usual bend (the second
// difference: how far a sample lies from where its two neighbours point).
// Sound steps and bends within its own measure; bytes that are not this
// sound, or not audio at all, land anywhere.
struct SoundReference {
    std::vector<double> level;
    std::vector<double> step;
    std::vector<double> bend;
};

// The reference of the whole frames at bytes.
SoundReference soundReference(const unsigned char* bytes, std::size_t frames, const SampleFormat& format);

// Whether the frame at at belongs to the sound that the frame after it
// carries on: every sample no louder than the sound and within some of its
// steps of the next; a float sample also not so faint that no recording
// holds it (the bytes of other data often read as such). With zerosAccepted, a sample of zero bytes (silence, or
// the zeros of a header) passes. Loose enough for the sound's own quiet or
// hissing stretches, which a reference taken elsewhere does not describe.
bool continuesBefore(const unsigned char* at, const SampleFormat& format, const SoundReference& reference,
    bool zerosAccepted);

// Whether the sample of channel at at belongs to the sound that the two
// samples of that channel after it carry on, as reference describes the sound
// right there: no louder, within some steps of the next and some bends of
// where the two point, and a float sample not too faint. Bytes that are not
// this sound seldom pass all of it.
bool sampleContinuesBefore(const unsigned char* at, unsigned channel, const SampleFormat& format,
    const SoundReference& reference);

// Whether sampleContinuesBefore passing proves the sample sound: whether bytes
// of any value would pass it by chance once in hundreds at most. Loud integer
// sound bends so much that a value drawn at random often lands near enough,
// and float sound never proves it.
bool sampleTestProves(unsigned channel, const SampleFormat& format, const SoundReference& reference);

// The frames on either side of a seam: count frames in a row at frames, the
// first of the second side at seam (a frame that straddles the seam counts to
// the second side). How far the two frames after the seam stray from where the
// two before each of them point, and the two before the seam from where the
// two after each of them point: each side's line through the two previous
// samples, bent as that side's sound bends (the two weights that predict it
// best), in mean squares of what that line misses within either side, the
// larger, and the more where one side misses far more than the other (bytes
// that are no sound, or frames read off their grid). Averaged over the
// channels and the four frames: about 1 or less where the frames continue
// each other; far more where sound of another moment or another microphone,
// zeros or bytes that are no sound begin. Each side needs seamSide frames; a
// side of digital silence misses by a quantum.
double seamStray(const unsigned char* frames, std::size_t seam, std::size_t count, const SampleFormat& format);

// The frames of each side seamStray reads.
constexpr std::size_t seamSide = 128;

// A lighter look at a seam, cheap enough for every sector of a recording:
// whether the two bends that span it (of the frames at seam and seam + 1, each
// from the line through the two samples before it), squared, pass bound times
// the mean square of the side bends on either side, in some channel. Reads
// frames from seam - side - 2 to seam + side + 2, fewer where the side bends
// soon outweigh the spanning ones.
bool bendsBreak(const unsigned char* frames, std::size_t seam, std::size_t side, const SampleFormat& format,
    double bound);

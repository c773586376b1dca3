#pragma once

#include "RecordingStart.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The last frames of a recording followed through clusters without a chain,
// and how well the bytes of another cluster would continue them. The frame
// grid runs on across clusters: a frame may straddle a cluster's start.
// A seam that strays no further (seamStray) continues the sound: sound was
// measured to stray less across its own cluster boundaries (speech, music and
// rooms; about 1 mostly, 11 at worst, more only where a sound starts out of
// digital silence).
constexpr double continuesBound = 32;
// A recording continues clearly better than another where its seam strays this
// many times less, strays below soundFloor counting as soundFloor: seams that
// stray less are as good as sound gets, whatever the numbers say.
constexpr double clearlyBetter = 4;
constexpr double soundFloor = 1;
// A seam that strays no more than this is as sound's own seams were measured
// to be at worst.
constexpr double soundSeam = 11;

// What a stretch of audio is like as a whole: the mean square of its samples,
// and how rough it is (the mean square of its bends, each sample's distance
// from where its two neighbours before point, over the mean square of the
// samples): about 6 for white noise such as a converter's noise floor, far
// less for sound that changes smoothly from sample to sample. Measured on a
// spread of its frames, not all of them.
struct Texture {
    double level = 0;
    double roughness = 0;
};

class SoundTail {
public:
    explicit SoundTail(const StoredSamples& samples) : samples(samples) {}

    // Takes count more bytes of the recording's audio.
    void take(const unsigned char* bytes, std::size_t count);
    // Counts count bytes of audio as taken without looking at them; the frames
    // taken before are forgotten.
    void skip(std::uint64_t count) {
        total += count;
        last.clear();
    }
    // The bytes of audio taken so far.
    std::uint64_t taken() const { return total; }
    // The texture of the last frames taken (keptFrames of them, fewer at
    // first).
    Texture lastTexture() const;
    // The texture of count bytes at bytes, were they the next audio.
    Texture textureOf(const unsigned char* bytes, std::size_t count) const;
    // The frames taken end in zeros (more than a crossing of zero, where
    // every channel may be 0 at once): where its recorder stopped writing,
    // which no later bytes continue.
    bool endsUnwritten() const;

    // How far the frames that count bytes at bytes would begin, were they the
    // next audio, stray from the frames taken (seamStray); a side of fewer
    // than 3 frames tells nothing and strays without bound.
    double strayOf(const unsigned char* bytes, std::size_t count) const;

    // strayOf on a quarter of the frames of each side: a quick look, which
    // strays as strayOf does where the sound is alike on either side.
    double quickStrayOf(const unsigned char* bytes, std::size_t count) const;

    // The first sector boundary in bytes[0, count), the next audio after the
    // frames taken (whose sectors begin at multiples of sectorBytes from
    // sectorPhase on), at which the sound stops continuing; count when it
    // continues throughout.
    std::size_t soundStops(const unsigned char* bytes, std::size_t count, std::size_t sectorPhase) const;

    // Where, in bytes[0, count) as the next audio, the zero bytes that run to
    // the end begin, taken to the end of the frame they begin in and looked
    // for no further back than from; count when the last byte is not zero.
    // At the end of a recording's last cluster they are what its recorder
    // never wrote (or its silence, which is given up with them).
    std::size_t zerosFrom(const unsigned char* bytes, std::size_t count, std::size_t from) const;

    static constexpr std::size_t sectorBytes = 512;

    // The frames a tail keeps: enough for a seam's side, and for its texture;
    // fewer where they would pass keptBytes (a header may claim thousands
    // of channels, and a fork copies every tail for each of its ways).
    static constexpr std::size_t keptFrames = 1024;
    static constexpr std::size_t keptBytes = 16 * 1024;

private:
    // The bytes of whole frames as SampleFormat reads them.
    void normalize(unsigned char* bytes, std::size_t count) const;
    // The last side frames taken (side at most wanted), then the side frames
    // of count bytes at bytes, as SampleFormat reads them; false where a
    // side holds fewer than 3, or where the frames taken end in the zeros
    // their recorder never wrote, or the bytes begin with a header's room.
    bool joined(const unsigned char* bytes, std::size_t count, std::size_t wanted, std::vector<unsigned char>& frames,
        std::size_t& side) const;
    // The texture of count bytes whose first whole frame begins at first.
    Texture measure(const unsigned char* bytes, std::size_t count, std::size_t first) const;

    StoredSamples samples;
    std::vector<unsigned char> last;
    std::uint64_t total = 0;
};

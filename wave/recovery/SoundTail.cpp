#include "SoundTail.h"

#include "Continuity.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A sector boundary where the bends that span it stray this far (in mean
// squares of the bends beside it) may be where other bytes begin: sound
// passes it at one sector boundary in thousands, and the whole look at the
// seam then tells (a seam that strays past confirmedStray). Measured on
// speech, music, tones and rooms, stereo and mono: no seam inside a take
// stopped, and 9 in 10 seams into another take (7 in 10 into another take of
// the same sound, in stereo) did.
constexpr double sectorBound = 20;
constexpr double confirmedStray = 16;
// The side bends the look at a sector boundary weighs.
constexpr std::size_t sectorSide = 8;
// The fewest frames on either side that confirm a seam the bends flag.
constexpr std::size_t confirmingSide = 16;
// The frames on each side of the quick look at a seam.
constexpr std::size_t quickSide = 32;
// The most bytes of frames copied at once where they must be normalized.
constexpr std::size_t normalizedBlockBytes = 256 * 1024;
// Frames of zeros at a tail's end that are its recorder's unwritten bytes.
constexpr std::size_t unwrittenFrames = 4;
// Zeros that begin a cluster after sound, this many bytes of them at least
// (and unwrittenFrames frames): the room a recorder left for a header it
// never wrote, which no sound's noise floor fills with zeros by chance.
constexpr std::size_t headerRoomBytes = 44;

std::size_t unwrittenBytes(std::size_t frame) {
    return std::max(unwrittenFrames * frame, (headerRoomBytes + frame - 1) / frame * frame);
}

bool allZero(const unsigned char* from, std::size_t count) {
    return std::all_of(from, from + count, [](unsigned char byte) { return byte == 0; });
}

// Whether the sector that ends at boundary was the last its recorder wrote:
// sound, then frames of zeros that fill the sector to its end, then bytes
// that are not zero (another recording's, left in the cluster). A recording's
// own digital silence fills whole sectors or ends within one.
bool lastWrittenSector(const unsigned char* bytes, std::size_t boundary, std::size_t zeroed, std::size_t next) {
    const auto zero = [](unsigned char byte) { return byte == 0; };
    const std::size_t sector = std::min(boundary, SoundTail::sectorBytes);
    if (sector <= zeroed || next == 0)
        return false;
    const unsigned char* end = bytes + boundary;
    return std::all_of(end - zeroed, end, zero) && !std::all_of(end - sector, end, zero)
        && !std::all_of(end, end + next, zero);
}

}

Texture SoundTail::measure(const unsigned char* bytes, std::size_t count, std::size_t first) const {
    // Windows of frames in a row, spread over the bytes.
    constexpr std::size_t windows = 64;
    constexpr std::size_t window = 16;
    const SampleFormat& format = samples.format;
    const std::size_t frame = format.frameBytes();
    const std::size_t frames = count < first ? 0 : (count - first) / frame;
    Texture measured;
    if (frames < window)
        return measured;
    const std::size_t spread = std::min(windows, frames / window);
    const std::size_t step = (frames - window) / std::max<std::size_t>(1, spread - 1);
    std::vector<unsigned char> bytesOf(window * frame);
    double squares = 0;
    double bends = 0;
    std::size_t samplesSeen = 0;
    std::size_t bendsSeen = 0;
    for (std::size_t w = 0; w < spread; ++w) {
        const unsigned char* at = bytes + first + w * step * frame;
        bytesOf.assign(at, at + window * frame);
        normalize(bytesOf.data(), bytesOf.size());
        for (unsigned channel = 0; channel < format.channels; ++channel) {
            double before = 0;
            double previous = 0;
            for (std::size_t n = 0; n < window; ++n) {
                const double value = sampleValue(bytesOf.data() + n * frame + channel * format.width, format);
                squares += value * value;
                ++samplesSeen;
                if (n >= 2) {
                    const double bend = value - 2 * previous + before;
                    bends += bend * bend;
                    ++bendsSeen;
                }
                before = previous;
                previous = value;
            }
        }
    }
    measured.level = squares / static_cast<double>(samplesSeen);
    measured.roughness = measured.level > 0 && std::isfinite(measured.level)
        ? bends / static_cast<double>(bendsSeen) / measured.level
        : 0;
    return measured;
}

Texture SoundTail::textureOf(const unsigned char* bytes, std::size_t count) const {
    const std::size_t frame = samples.format.frameBytes();
    return measure(bytes, count, (frame - static_cast<std::size_t>(total % frame)) % frame);
}

Texture SoundTail::lastTexture() const {
    // The bytes kept end where the audio taken does.
    const std::size_t frame = samples.format.frameBytes();
    const std::uint64_t from = total - last.size();
    return measure(last.data(), last.size(), (frame - static_cast<std::size_t>(from % frame)) % frame);
}

void SoundTail::take(const unsigned char* bytes, std::size_t count) {
    const std::size_t frame = samples.format.frameBytes();
    const std::size_t keep = std::min(keptFrames * frame, keptBytes / frame * frame);
    if (count >= keep) {
        last.assign(bytes + count - keep, bytes + count);
    } else {
        last.insert(last.end(), bytes, bytes + count);
        if (last.size() > keep)
            last.erase(last.begin(), last.end() - static_cast<std::ptrdiff_t>(keep));
    }
    total += count;
}

bool SoundTail::endsUnwritten() const {
    const std::size_t zeroed = unwrittenBytes(samples.format.frameBytes());
    return last.size() >= zeroed && allZero(last.data() + last.size() - zeroed, zeroed);
}

void SoundTail::normalize(unsigned char* bytes, std::size_t count) const {
    const unsigned width = samples.format.width;
    for (std::size_t at = 0; at + width <= count; at += width) {
        if (samples.bigEndian)
            std::reverse(bytes + at, bytes + at + width);
        if (samples.signedBytes)
            bytes[at] ^= 0x80;
    }
}

bool SoundTail::joined(const unsigned char* bytes, std::size_t count, std::size_t wanted,
    std::vector<unsigned char>& frames, std::size_t& side) const {
    const std::size_t frame = samples.format.frameBytes();
    const std::size_t partial = static_cast<std::size_t>(total % frame);
    const std::size_t straddle = partial > 0 ? frame - partial : 0;
    const std::size_t before = last.size() < partial ? 0 : (last.size() - partial) / frame;
    const std::size_t after = count < straddle ? 0 : (count - straddle) / frame;
    side = std::min({wanted, before, after});
    // Sound whose next bytes are the zeros of a header's room is another
    // take's start.
    const std::size_t room = unwrittenBytes(frame);
    if (side < 3 || endsUnwritten()
        || (count >= room && allZero(bytes, room) && !allZero(last.data() + last.size() - frame, frame)))
        return false;
    frames.assign(last.end() - static_cast<std::ptrdiff_t>(side * frame + partial), last.end());
    frames.insert(frames.end(), bytes, bytes + straddle + side * frame);
    normalize(frames.data(), frames.size());
    return true;
}

double SoundTail::strayOf(const unsigned char* bytes, std::size_t count) const {
    std::vector<unsigned char> frames;
    std::size_t side = 0;
    if (!joined(bytes, count, seamSide, frames, side))
        return std::numeric_limits<double>::infinity();
    return seamStray(frames.data(), side, frames.size() / samples.format.frameBytes(), samples.format);
}

double SoundTail::quickStrayOf(const unsigned char* bytes, std::size_t count) const {
    std::vector<unsigned char> frames;
    std::size_t side = 0;
    if (!joined(bytes, count, quickSide, frames, side))
        return std::numeric_limits<double>::infinity();
    return seamStray(frames.data(), side, 2 * side, samples.format);
}

std::size_t SoundTail::soundStops(const unsigned char* bytes, std::size_t count, std::size_t sectorPhase) const {
    const std::size_t frame = samples.format.frameBytes();
    const std::size_t first = (frame - static_cast<std::size_t>(total % frame)) % frame;
    const std::size_t whole = count < first ? 0 : (count - first) / frame;
    // Frames SampleFormat cannot read as they lie are read from a copy, made
    // a block at a time (a cluster may be of 32 MiB): frames from base on.
    const bool converted = samples.bigEndian || samples.signedBytes;
    const std::size_t blockFrames = std::max<std::size_t>(4 * seamSide, normalizedBlockBytes / frame);
    std::vector<unsigned char> block;
    std::size_t base = 0;
    std::size_t blockEnd = converted ? 0 : whole;
    const unsigned char* frames = bytes + first;
    const auto around = [&](std::size_t seam) {
        if (seam + seamSide <= blockEnd || blockEnd == whole)
            return;
        base = seam - std::min(seam, seamSide);
        blockEnd = std::min(whole, base + blockFrames);
        block.assign(bytes + first + base * frame, bytes + first + blockEnd * frame);
        normalize(block.data(), block.size());
        frames = block.data();
    };
    const std::size_t zeroed = unwrittenFrames * frame;
    for (std::size_t boundary = sectorPhase; boundary < count; boundary += sectorBytes) {
        if (boundary <= first)
            continue;
        if (lastWrittenSector(bytes, boundary, zeroed, std::min(frame, count - boundary)))
            return boundary;
        // The frame that holds the boundary's byte counts to the side after.
        const std::size_t seam = (boundary - first) / frame;
        if (seam < sectorSide + 2 || seam + sectorSide + 2 > whole)
            continue;
        // The bends flag a seam cheaply; the whole look at the seam, on as
        // many frames as either side has in the cluster, confirms it: a sound's
        // own sharp turn is no end.
        around(seam);
        if (bendsBreak(frames, seam - base, sectorSide, samples.format, sectorBound)) {
            const std::size_t side = std::min({seamSide, seam, whole - seam});
            if (side < confirmingSide
                || seamStray(frames + (seam - side - base) * frame, side, 2 * side, samples.format) > confirmedStray)
                return boundary;
        }
    }
    return count;
}

std::size_t SoundTail::zerosFrom(const unsigned char* bytes, std::size_t count, std::size_t from) const {
    std::size_t end = count;
    while (end > from && bytes[end - 1] == 0)
        --end;
    if (end == count)
        return count;
    // Up to the end of the frame that holds the last byte that is not zero.
    const std::size_t frame = samples.format.frameBytes();
    const std::size_t first = (frame - static_cast<std::size_t>(total % frame)) % frame;
    const std::size_t rounded = end <= first ? first : first + (end - first + frame - 1) / frame * frame;
    return std::min(rounded, count);
}

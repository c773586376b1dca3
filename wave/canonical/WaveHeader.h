#pragma once

#include <cstddef>
#include <cstdint>

// The first 44 bytes of a WAV file, kept exactly as read. Every field is
// decoded from the bytes as little-endian, so the record means the same on any
// host and no byte is lost between reading and writing it back.
struct WaveHeader {
    static constexpr std::size_t size = 44;

    unsigned char bytes[size] = {};

    std::uint32_t riffTag() const { return u32(0); }
    std::uint32_t riffSize() const { return u32(4); }
    std::uint32_t waveTag() const { return u32(8); }
    std::uint32_t fmtTag() const { return u32(12); }
    std::uint32_t fmtSize() const { return u32(16); }
    std::uint16_t formatTag() const { return u16(20); }
    std::uint16_t channels() const { return u16(22); }
    std::uint32_t sampleRate() const { return u32(24); }
    std::uint32_t byteRate() const { return u32(28); }
    std::uint16_t blockAlign() const { return u16(32); }
    std::uint16_t bitsPerSample() const { return u16(34); }
    std::uint32_t dataTag() const { return u32(36); }
    std::uint32_t dataSize() const { return u32(40); }

    void setRiffSize(std::uint32_t value) { setU32(4, value); }
    void setDataSize(std::uint32_t value) { setU32(40, value); }

    // A tag's four characters as the 32-bit word they form in the file.
    static constexpr std::uint32_t tag(const char (&text)[5]) {
        return std::uint32_t(static_cast<unsigned char>(text[0]))
            | std::uint32_t(static_cast<unsigned char>(text[1])) << 8
            | std::uint32_t(static_cast<unsigned char>(text[2])) << 16
            | std::uint32_t(static_cast<unsigned char>(text[3])) << 24;
    }

private:
    std::uint16_t u16(std::size_t at) const;
    std::uint32_t u32(std::size_t at) const;
    void setU32(std::size_t at, std::uint32_t value);
};

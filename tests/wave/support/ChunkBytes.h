#pragma once

#include <cstdint>
#include <vector>

// The bytes of RIFF structures, spelled out as a writer lays them down.
using Bytes = std::vector<unsigned char>;

// A 32-bit size field of all ones: "unknown" where a writer streamed, and in
// RF64 the mark that the size lives in ds64.
constexpr std::uint32_t allOnes = 0xFFFFFFFFu;

Bytes operator+(Bytes a, const Bytes& b);
// value, little-endian, in width bytes.
Bytes le(std::uint64_t value, unsigned width);
Bytes text(const char* characters);
// A chunk header with the given size, then body (which need not match it).
Bytes chunk(const char* tag, std::uint64_t size, const Bytes& body = {});
// A fmt chunk with consistent fields at 8000 Hz; sub is the sub-format of an
// extensible one (format tag 0xFFFE).
Bytes fmtChunk(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, std::uint16_t sub = 0);
// form (RIFF, RF64...) with its 32-bit size, WAVE, then the chunks.
Bytes waveHead(const char* form, std::uint64_t riffSize, const Bytes& chunks);

// value, big-endian, in width bytes, as AIFF stores numbers.
Bytes be(std::uint64_t value, unsigned width);
// An AIFF chunk header with the given size, then body.
Bytes bigChunk(const char* tag, std::uint64_t size, const Bytes& body = {});
// A COMM chunk at 8000 Hz; with a compression type, the AIFF-C form (with an
// empty name).
Bytes commChunk(std::uint16_t channels, std::uint32_t frames, std::uint16_t bits, const char* compression = nullptr);
// FORM with its size and type (AIFF, AIFC), then the chunks.
Bytes formHead(const char* type, std::uint64_t formSize, const Bytes& chunks);

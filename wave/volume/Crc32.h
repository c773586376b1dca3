#pragma once

#include <cstddef>
#include <cstdint>

// The CRC-32 of a GPT's headers and entries (the reflected polynomial
// 0xEDB88320, as in zip and Ethernet).
std::uint32_t crc32(const unsigned char* bytes, std::size_t count);

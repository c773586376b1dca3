#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A name of UTF-16 code units as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(const std::uint16_t* units, std::size_t count);

// The name made safe to join into a path: '/', '\\' and control characters
// become '_'. False for a name no entry may have: empty, "." or "..".
bool cleanName(std::string& name);

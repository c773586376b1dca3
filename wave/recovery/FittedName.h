#pragma once

#include <cstddef>
#include <string>

// The most bytes of UTF-8 a name of the output folder holds: 255, as POSIX
// file systems allow; as UTF-16 it is no more units, as Windows allows.
constexpr std::size_t maxNameBytes = 255;

// The name of a recording's new file, from its name on the card, the same on
// every system: what does not decode as UTF-8, the characters Windows forbids
// in a name (\ / : * ? " < > | and controls) and trailing dots and spaces
// each replaced by '_'; a name Windows keeps for a device (CON, PRN, AUX, NUL,
// COM0-9, LPT0-9, with any extension) begun with '_'; and where it is longer
// than maxNameBytes less room, cut at a character's end, keeping its start and
// its extension.
std::string fittedName(const std::string& name, std::size_t room);

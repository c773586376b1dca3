#pragma once

#include "RevivalFormat.h"

#include <string>
#include <vector>

// A revival of original as format either refuses, writing nothing, or
// leaves a file (in place, changing only bytes before the audio, or a new
// one) that the default rule finds sound with the audio where it said; in
// place, every prefix of its writes leaves the header lost and is revived to
// the same bytes. Returns the first property broken, in words, or an empty
// text.
std::string checkRevival(const std::vector<unsigned char>& original, const RevivalFormat& format);

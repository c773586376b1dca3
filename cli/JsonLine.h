#pragma once

#include "Outcome.h"

#include <string>

// The outcome of one file as one JSON object on one line, without the line
// end: {"path": ..., "outcome": ..., "reason": ... or null, "changes":
// [{"offset": N, "before": "hex", "after": "hex"}, ...]}. A path that is not
// valid UTF-8 is written with U+FFFD for each byte that does not decode,
// followed by "path_bytes", the name's bytes in lowercase hexadecimal.
std::string jsonLine(const Outcome& outcome);

// text as a JSON string, quotes included: escaped where JSON asks, each byte
// that does not decode as UTF-8 replaced by U+FFFD.
std::string jsonString(const std::string& text);

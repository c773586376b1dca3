#pragma once

#include <string>

// Whether a name ends in one of the recordings' extensions (.wav, .wave,
// .bwf, .rf64, .aif, .aiff, .aifc), in any case.
bool isRecordingName(const std::string& name);

#pragma once

#include <cstddef>

// "<directory>\<name>.hlp", followed by ">" and the secondary-window name when
// one is given. False, with path empty, when it needs more than capacity bytes.
bool composeHelpPath(char* path, std::size_t capacity, const char* directory, const char* name, const char* windowName);

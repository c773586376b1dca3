#pragma once

#include <cstddef>

// snprintf that treats truncation as failure: true when the whole text and
// its terminator fit into capacity bytes; otherwise false with buffer empty.
bool formatBounded(char* buffer, std::size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));

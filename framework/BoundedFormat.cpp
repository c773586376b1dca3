#include "BoundedFormat.h"

#include <cstdarg>
#include <cstdio>

bool formatBounded(char* buffer, std::size_t capacity, const char* format, ...) {
    if (capacity == 0) {
        return false;
    }
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, capacity, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<std::size_t>(length) >= capacity) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

#pragma once

#include "FileTime.h"

#include <windows.h>

// FILETIME, in 100 ns ticks, as FileTime and back, losing nothing.
inline FileTime fromFiletime(const FILETIME& filetime) {
    const std::int64_t ticks =
        static_cast<std::int64_t>(std::uint64_t(filetime.dwHighDateTime) << 32 | filetime.dwLowDateTime);
    FileTime time;
    time.seconds = ticks / 10000000;
    time.nanoseconds = ticks % 10000000 * 100;
    return time;
}

inline FILETIME toFiletime(const FileTime& time) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(time.seconds * 10000000 + time.nanoseconds / 100);
    FILETIME filetime;
    filetime.dwLowDateTime = static_cast<DWORD>(ticks);
    filetime.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return filetime;
}

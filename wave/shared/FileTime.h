#pragma once

#include <cstdint>

// A last-write time as the platform keeps it, split into whole seconds since
// the platform's epoch and the nanoseconds within that second. It is carried
// from reading to restoring unchanged, so no precision the platform has is
// lost on the way.
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
};

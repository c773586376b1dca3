#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Ends the run on a broken property, naming it, so that libFuzzer keeps the
// input as a crash.
inline void stopOnBrokenProperty(const std::string& broken) {
    if (broken.empty())
        return;
    std::fprintf(stderr, "broken property: %s\n", broken.c_str());
    std::abort();
}

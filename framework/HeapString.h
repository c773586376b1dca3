#pragma once

#include <cstdlib>
#include <memory>

// Framework operations hand out text as std::malloc'ed copies that the caller
// frees with std::free; HeapString is the scoped owner for such a copy.
struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};
using HeapString = std::unique_ptr<char, FreeDeleter>;

// A std::malloc'ed copy of text, or null when memory runs out.
char* copyString(const char* text);

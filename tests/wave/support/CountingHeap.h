#pragma once

#include <cstddef>

// The bytes that the program's operator new holds now, and the most it held
// since the last resetHeapPeak(): CountingHeap.cpp, linked into a program,
// replaces the global operators new and delete to count them.
std::size_t heapNow();
std::size_t heapPeak();
void resetHeapPeak();

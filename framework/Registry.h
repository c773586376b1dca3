#pragma once

#include <windows.h>

// Key paths are built in buffers of this size; a path that does not fit is a
// failure of the operation that builds it.
constexpr size_t keyPathCapacity = 260;

// "Software\" (with the prefix) + part1 + "\part2" ... for every non-empty
// later part. False, with the destination empty, when it does not fit.
bool buildKeyPath(char* destination, bool withPrefix, const char* part1, const char* part2,
                  const char* part3, const char* part4);

HKEY openKey(HKEY root, const char* path);
HKEY openAppKey(HKEY root, const char* part1, const char* part2, const char* part3,
                const char* part4);
LONG closeKey(HKEY key);
bool deleteKeyTree(HKEY root, const char* path);
bool deleteKeyAndPrune(HKEY root, const char* path);
bool deleteAppKey(HKEY root, const char* part1, const char* part2, const char* part3,
                  const char* part4);

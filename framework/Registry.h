#pragma once

#include <windows.h>

// Key paths are built in buffers of this size; a path that does not fit is a
// failure of the operation that builds it.
constexpr size_t keyPathCapacity = 260;

// "Software\" (with the prefix) + part1 + "\part2" ... for every non-empty
// later part. False, with the destination empty, when part1 is null or empty
// or the path does not fit.
bool buildKeyPath(char* destination, bool withPrefix, const char* part1, const char* part2, const char* part3,
    const char* part4);

// The key opened for reading, or null; close it with closeKey.
HKEY openKey(HKEY root, const char* path);
// openKey on buildKeyPath with the prefix; null when no path is built.
HKEY openAppKey(HKEY root, const char* part1, const char* part2, const char* part3, const char* part4);
LONG closeKey(HKEY key);
// Deletes the key with everything below it, deepest keys first. False when
// anything could not be read or deleted; what was deleted stays deleted.
bool deleteKeyTree(HKEY root, const char* path);
// deleteKeyTree, then deletes each parent that this leaves without subkeys and
// values. True only when the climb ran out of parents; stopping at a parent
// that stays gives false.
bool deleteKeyAndPrune(HKEY root, const char* path);
// deleteKeyAndPrune on buildKeyPath with the prefix; false, with nothing
// deleted, when no path is built.
bool deleteAppKey(HKEY root, const char* part1, const char* part2, const char* part3, const char* part4);

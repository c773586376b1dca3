#pragma once

#include <windows.h>

#include <string>

// The application's key as Sonorix computes it from its version block.
constexpr const char* appKeyPath = "Software\\Halvane\\Sonorix\\1.01";

// Creates the key and its parents; with a name, stores value there as REG_DWORD.
bool createKey(HKEY root, const std::string& path, const char* name = nullptr, DWORD value = 0);
// How many subkeys the key has; -1 when it does not open.
int subkeyCount(HKEY root, const std::string& path);
inline bool keyExists(HKEY root, const std::string& path) {
    return subkeyCount(root, path) >= 0;
}
void removeKeyTree(HKEY root, const std::string& path);

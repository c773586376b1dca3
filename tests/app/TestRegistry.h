#pragma once

#include <windows.h>

#include <string>

// The application's key as Sonorix computes it from its version block.
constexpr const char* appKeyPath = "Software\\Halvane\\Sonorix\\1.01";

// Creates the key (and its parents); stores value as REG_DWORD when name is set.
bool createKey(HKEY root, const std::string& path);
bool setDword(HKEY root, const std::string& path, const char* name, DWORD value);
// name null sets the key's default value.
bool setString(HKEY root, const std::string& path, const char* name, const std::string& value);
bool keyExists(HKEY root, const std::string& path);
// How many subkeys the key has; -1 when it does not open.
int subkeyCount(HKEY root, const std::string& path);
void removeKeyTree(HKEY root, const std::string& path);

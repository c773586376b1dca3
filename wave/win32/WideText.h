#pragma once

#include <string>

// Names cross into Windows as UTF-16 and come back as UTF-8, so that every
// name survives whatever the system's code page.
std::wstring toWide(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);

// The path of a file to make, absolute and begun with \\?\ (\\?\UNC\ for a
// share), so that it may run past MAX_PATH; as given where it names a device
// or is begun so already, or where it cannot be made absolute.
std::wstring longPath(const std::wstring& path);

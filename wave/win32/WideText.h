#pragma once

#include <string>

// Names cross into Windows as UTF-16 and come back as UTF-8, so that every
// name survives whatever the system's code page.
std::wstring toWide(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);

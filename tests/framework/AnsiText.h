#pragma once

#include <string>

// UTF-8 test literals converted for the program: to UTF-16, and to the ANSI
// code page (932 under the test runner).
std::wstring wideText(const char* utf8);
std::string ansiText(const char* utf8);

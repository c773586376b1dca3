#pragma once

#include <windows.h>

#include <string>

// Starts application with exactly this command line, collects what it writes
// to its standard output and waits for it to end. False when it cannot start
// or is still running after timeout milliseconds (it is then terminated).
bool runChild(const std::string& application, const std::string& commandLine, std::string& output,
              DWORD timeout = 30000);

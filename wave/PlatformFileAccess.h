#pragma once

// The file layer of the system this is built for.
#ifdef _WIN32
#include "Win32FileAccess.h"
using PlatformFileAccess = Win32FileAccess;
#else
#include "PosixFileAccess.h"
using PlatformFileAccess = PosixFileAccess;
#endif

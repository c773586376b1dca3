#pragma once

#include "Console.h"

// What only a Windows console offers sonorix-repair.
namespace console {

// Whether the console was made for this process alone: Explorer started the
// program for what was dropped onto its icon, and the window closes with it.
bool ownConsole();
// Waits for a key on the console: its character, or 0 for a key without one
// or where the console cannot be read.
wchar_t readKey();

}

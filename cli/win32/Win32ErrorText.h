#pragma once

#include "Catalog.h"

#include <string>
#include <windows.h>

// A system error in the words sonorix-repair uses on every platform for the
// common ones, else its number, in language.
std::string errorText(DWORD error, Language language);

#pragma once

#include "Catalog.h"

#include <string>

// A system error in the catalog's words where it has them, in language; else
// as the C library gives it.
std::string errnoText(int error, Language language);

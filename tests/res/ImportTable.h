#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// One imported function: by ordinal, or by name.
struct ImportedFunction {
    bool byOrdinal = false;
    WORD ordinal = 0;
    std::string name;
};

// DLL name in upper case -> its imports.
using ImportTable = std::map<std::string, std::vector<ImportedFunction>>;

// Reads the imports of a PE32 or PE32+ image loaded with
// LOAD_LIBRARY_AS_IMAGE_RESOURCE, so that sections lie at their RVAs. False
// when the module is not such an image.
bool readImportTable(HMODULE module, ImportTable& imports);

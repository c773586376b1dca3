#pragma once

#include "ByteReader.h"

#include <map>

// One imported function: by ordinal, or by name.
struct ImportedFunction {
    bool byOrdinal = false;
    std::uint16_t ordinal = 0;
    std::string name;
};

// DLL name in upper case -> its imports, read from a PE32 or PE32+ file image.
using ImportTable = std::map<std::string, std::vector<ImportedFunction>>;

// False when the file is not a PE image or its import directory is damaged.
bool readImportTable(const Bytes& file, ImportTable& imports);

// The whole file, or an empty vector when it cannot be read.
Bytes readWholeFile(const std::string& path);

#pragma once

#include <windows.h>

// A view of one open key for typed reads. It neither opens nor closes the
// handle: whoever opened the key closes it with closeKey.
class RegistryKey {
public:
    explicit RegistryKey(HKEY key) : key(key) {}

    // True and the number for a REG_DWORD value; false, with value untouched,
    // for an absent value, another type or data longer than four bytes.
    bool readDword(const char* name, DWORD& value) const;

    // readDword, then true for any non-zero number; value untouched on failure.
    bool readBool(const char* name, bool& value) const;

private:
    HKEY key;
};

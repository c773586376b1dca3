#include "RegistryKey.h"

bool RegistryKey::readDword(const char* name, DWORD& value) const {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS
        || type != REG_DWORD) {
        return false;
    }
    value = data;
    return true;
}

bool RegistryKey::readBool(const char* name, bool& value) const {
    DWORD number = 0;
    if (!readDword(name, number)) {
        return false;
    }
    value = number != 0;
    return true;
}

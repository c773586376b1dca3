#include "TestRegistry.h"

bool createKey(HKEY root, const std::string& path, const char* name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG status = name ? RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value)
                       : ERROR_SUCCESS;
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int subkeyCount(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return -1;
    }
    DWORD count = 0;
    LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
        nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? static_cast<int>(count) : -1;
}

// RegDeleteTree empties the key; the key itself goes separately.
void removeKeyTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

#include "ScratchRegistryKey.h"

#include <cstring>

ScratchRegistryKey::ScratchRegistryKey(const char* tag)
    : name_("SonorixTest-" + std::to_string(GetCurrentProcessId()) + "-" + tag) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path().c_str());
    RegCreateKeyExA(HKEY_CURRENT_USER, path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &root_, nullptr);
}

ScratchRegistryKey::~ScratchRegistryKey() {
    if (root_ != nullptr) {
        RegCloseKey(root_);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, path().c_str());
}

std::string ScratchRegistryKey::path(const std::string& relative) const {
    return "Software\\" + name_ + (relative.empty() ? "" : "\\" + relative);
}

bool ScratchRegistryKey::create(const std::string& relative) const {
    HKEY key = nullptr;
    if (root_ == nullptr || RegCreateKeyExA(root_, relative.c_str(), 0, nullptr, 0, KEY_WRITE,
                                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool ScratchRegistryKey::setDword(const std::string& relative, const char* value,
                                  DWORD number) const {
    return RegSetKeyValueA(root_, relative.c_str(), value, REG_DWORD, &number,
                           sizeof number) == ERROR_SUCCESS;
}

bool ScratchRegistryKey::setString(const std::string& relative, const char* value,
                                   const char* text) const {
    return RegSetKeyValueA(root_, relative.c_str(), value, REG_SZ, text,
                           static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool ScratchRegistryKey::setBinary(const std::string& relative, const char* value,
                                   const void* data, DWORD size) const {
    return RegSetKeyValueA(root_, relative.c_str(), value, REG_BINARY, data,
                           size) == ERROR_SUCCESS;
}

bool ScratchRegistryKey::exists(const std::string& relative) const {
    HKEY key = nullptr;
    if (root_ == nullptr ||
        RegOpenKeyExA(root_, relative.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

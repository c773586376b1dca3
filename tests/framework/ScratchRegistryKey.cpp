#include "ScratchRegistryKey.h"

#include "AnsiText.h"

ScratchRegistryKey::ScratchRegistryKey(const char* tag)
    : name_("SonorixTest-" + std::to_string(GetCurrentProcessId()) + "-" + tag) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path().c_str());
    RegCreateKeyExA(HKEY_CURRENT_USER, path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr);
}

ScratchRegistryKey::~ScratchRegistryKey() {
    if (root_ != nullptr) {
        RegCloseKey(root_);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, path().c_str());
}

std::string ScratchRegistryKey::path(const std::string& relative) const {
    return "Software\\" + name_ + (relative.empty() ? "" : "\\" + ansiText(relative.c_str()));
}

bool ScratchRegistryKey::create(const std::string& relative) const {
    HKEY key = nullptr;
    if (root_ == nullptr
        || RegCreateKeyExW(root_, wideText(relative.c_str()).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)
            != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool ScratchRegistryKey::set(const std::string& relative, const char* value, DWORD type, const void* data,
    DWORD size) const {
    return RegSetKeyValueW(root_, wideText(relative.c_str()).c_str(), wideText(value).c_str(), type, data, size)
        == ERROR_SUCCESS;
}

bool ScratchRegistryKey::exists(const std::string& relative) const {
    HKEY key = nullptr;
    if (root_ == nullptr
        || RegOpenKeyExW(root_, wideText(relative.c_str()).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

#pragma once

#include <windows.h>

#include <string>

// A key of the test's own under HKEY_CURRENT_USER\Software, named after the
// process and a tag, removed with everything below it when the object goes.
// Relative names are UTF-8; they reach the registry whole through the wide
// calls, so a name the ANSI code page cannot hold can be made and found.
class ScratchRegistryKey {
public:
    explicit ScratchRegistryKey(const char* tag);
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    // The scratch key's name below Software, e.g. "SonorixTest-123-tag".
    const std::string& name() const { return name_; }
    // "Software\<name>" followed by "\" and relative when that is not empty, in
    // the ANSI code page as the code under test takes it.
    std::string path(const std::string& relative = "") const;

    bool create(const std::string& relative) const;
    bool set(const std::string& relative, const char* value, DWORD type, const void* data, DWORD size) const;
    bool setDword(const std::string& relative, const char* value, DWORD number) const {
        return set(relative, value, REG_DWORD, &number, sizeof number);
    }
    bool exists(const std::string& relative) const;

private:
    // Subkeys are reached from this handle, so that only the relative part
    // counts against the registry's limit on the length of a name.
    HKEY root_ = nullptr;
    std::string name_;
};

#include "ApplicationBase.h"

#include <cstdlib>
#include <cstring>

#include "BoundedFormat.h"
#include "HeapString.h"

namespace {

struct VersionKey {
    const char* key;
    char* ApplicationBase::*field;
};

const VersionKey versionKeys[] = {
    {"CompanyName", &ApplicationBase::companyName},
    {"InternalName", &ApplicationBase::internalName},
    {"FileVersion", &ApplicationBase::fileVersion},
    {"ProductName", &ApplicationBase::productName},
    {"LegalCopyright", &ApplicationBase::legalCopyright},
};

// A heap copy of a version value. The reported length may count characters
// rather than bytes, so the text runs to its terminator within the block.
char* copyValue(const char* value, UINT length, const char* blockEnd) {
    const std::size_t size = length == 0 ? 0 : strnlen(value, static_cast<std::size_t>(blockEnd - value));
    char* copy = static_cast<char*>(std::malloc(size + 1));
    if (copy != nullptr) {
        std::memcpy(copy, value, size);
        copy[size] = '\0';
    }
    return copy;
}

// Fills the fields of the values that the block holds under its first
// translation; the others stay null.
void queryValues(ApplicationBase& application, void* block, DWORD size) {
    const char* const blockEnd = static_cast<const char*>(block) + size;
    void* translation = nullptr;
    UINT translationLength = 0;
    if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &translation, &translationLength) || translation == nullptr
        || translationLength < 2 * sizeof(WORD)) {
        return;
    }
    const WORD language = static_cast<const WORD*>(translation)[0];
    const WORD codePage = static_cast<const WORD*>(translation)[1];
    for (const VersionKey& entry : versionKeys) {
        char query[260];
        if (!formatBounded(query, sizeof query, "\\StringFileInfo\\%04hX%04hX\\%s", language, codePage, entry.key)) {
            continue;
        }
        void* value = nullptr;
        UINT valueLength = 0;
        if (!VerQueryValueA(block, query, &value, &valueLength)) {
            continue;
        }
        const char* const text = static_cast<const char*>(value);
        if (text >= static_cast<const char*>(block) && text < blockEnd) {
            application.*entry.field = copyValue(text, valueLength, blockEnd);
        }
    }
}

} // namespace

void ApplicationBase::readVersionStrings() {
    // The block comes from the file named after the module with the extension
    // .exe, which need not be the module itself.
    char path[260];
    if (formatBounded(path, sizeof path, "%s\\%s.exe", moduleDir, moduleName)) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
        if (size != 0) {
            if (void* block = std::malloc(size)) {
                if (GetFileVersionInfoA(path, 0, size, block)) {
                    queryValues(*this, block, size);
                }
                std::free(block);
            }
        }
    }
    const char* const defaults[] = {"Oxbowapp", moduleName, "CurrentVersion", moduleName, "All rights reserved."};
    for (std::size_t i = 0; i < sizeof versionKeys / sizeof versionKeys[0]; ++i) {
        char*& field = this->*versionKeys[i].field;
        if (field == nullptr) {
            field = copyString(defaults[i]);
        }
    }
}

#include "ApplicationBase.h"

#include <cstdlib>
#include <cstring>

#include "Application.h"
#include "CharacterScan.h"

namespace {

// The directory and base name of the process's executable; both stay empty
// when the module path cannot be had whole.
void readModuleIdentity(char (&moduleDir)[270], char (&moduleName)[260]) {
    const DWORD length = GetModuleFileNameA(nullptr, moduleDir, sizeof moduleDir);
    if (length == 0 || length >= sizeof moduleDir) {
        moduleDir[0] = '\0';
        return;
    }
    WIN32_FIND_DATAA found;
    found.cFileName[0] = '\0';
    const HANDLE search = FindFirstFileA(moduleDir, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        found.cFileName[sizeof found.cFileName - 1] = '\0';
        std::strcpy(moduleName, found.cFileName);
    }
    if (char* separator = findLastCharacter(moduleDir, '\\')) {
        *separator = '\0';
    }
    if (char* dot = findLastCharacter(moduleName, '.')) {
        *dot = '\0';
    }
}

} // namespace

ApplicationBase::ApplicationBase() {
    readModuleIdentity(moduleDir, moduleName);
    commandLine.parse();
}

ApplicationBase::~ApplicationBase() {
    std::free(companyName);
    std::free(internalName);
    std::free(fileVersion);
    std::free(productName);
    std::free(legalCopyright);
    commandLine.clear();
}

const char* ApplicationBase::title() const {
    return productName != nullptr ? productName : moduleName;
}

void ApplicationBase::setMainWindow(HWND window) {
    if (currentApplication != nullptr) {
        currentApplication->mainWindow = window;
    }
}

#include "HelpFile.h"

#include "ApplicationBase.h"
#include "BoundedFormat.h"

bool composeHelpPath(char* path, std::size_t capacity, const char* directory, const char* name,
    const char* windowName) {
    if (windowName == nullptr) {
        return formatBounded(path, capacity, "%s\\%s.hlp", directory, name);
    }
    return formatBounded(path, capacity, "%s\\%s.hlp>%s", directory, name, windowName);
}

bool ApplicationBase::winHelp(HWND window, UINT command, ULONG_PTR data, const char* windowName) const {
    char path[324];
    if (!composeHelpPath(path, sizeof path, moduleDir, moduleName, windowName)) {
        return false;
    }
    return WinHelpA(window, path, command, data) != FALSE;
}

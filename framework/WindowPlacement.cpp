#include "WindowPlacement.h"

#include "RegistryKey.h"

#include <climits>

namespace {

// Any edge left at this value makes the rectangle empty, whatever the other
// edges hold, so a partly stored position can never place the window.
constexpr RECT noStoredRect = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};

constexpr LONG minimumVisible = 80;

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

bool readWindowPos(HKEY key, RECT* rect, bool* maximized) {
    if (key == nullptr) {
        return false;
    }
    const RegistryKey stored(key);
    DWORD edge = 0;
    stored.readBool("MainWindowPos.bmaximized", *maximized);
    if (stored.readDword("MainWindowPos.left", edge)) {
        rect->left = static_cast<LONG>(edge);
    }
    if (stored.readDword("MainWindowPos.top", edge)) {
        rect->top = static_cast<LONG>(edge);
    }
    if (stored.readDword("MainWindowPos.right", edge)) {
        rect->right = static_cast<LONG>(edge);
    }
    if (stored.readDword("MainWindowPos.bottom", edge)) {
        rect->bottom = static_cast<LONG>(edge);
    }
    return true;
}

bool storedRectFitsScreen(const RECT& stored, const RECT& screen) {
    RECT visible;
    if (!IntersectRect(&visible, &screen, &stored)) {
        return false;
    }
    return sameRect(visible, stored)
        || (visible.right - visible.left > minimumVisible && visible.bottom - visible.top > minimumVisible);
}

int maximizedShowCommand(int showCommand, bool maximized) {
    if (maximized && (showCommand == SW_SHOWNORMAL || showCommand == SW_SHOW || showCommand == SW_SHOWDEFAULT)) {
        return SW_SHOWMAXIMIZED;
    }
    return showCommand;
}

bool restoreWindowPlacement(HWND window, int* showCommand, HKEY key) {
    RECT stored = noStoredRect;
    bool maximized = false;
    if (!readWindowPos(key, &stored, &maximized)) {
        return false;
    }
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        return false;
    }
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (storedRectFitsScreen(stored, screen)) {
        placement.rcNormalPosition = stored;
    }
    if (!SetWindowPlacement(window, &placement)) {
        return false;
    }
    *showCommand = maximizedShowCommand(*showCommand, maximized);
    return true;
}

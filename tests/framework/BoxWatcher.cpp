#include "BoxWatcher.h"

#include <cstring>
#include <vector>

namespace {

BOOL CALLBACK collectDialog(HWND window, LPARAM data) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && std::strcmp(className, "#32770") == 0) {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> processDialogs() {
    std::vector<HWND> found;
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

BoxWatcher::BoxWatcher(WPARAM dismissCommand, DWORD timeoutMs) : command(dismissCommand), timeout(timeoutMs) {
    for (HWND window : processDialogs()) {
        existing.insert(window);
    }
    worker = std::thread([this] { watch(); });
}

BoxWatcher::~BoxWatcher() {
    result();
}

SeenBox BoxWatcher::result() {
    if (worker.joinable()) {
        worker.join();
    }
    return seen;
}

void BoxWatcher::watch() {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeout; Sleep(20)) {
        for (HWND box : processDialogs()) {
            if (existing.count(box) != 0 || !IsWindowVisible(box)) {
                continue;
            }
            char text[512] = {};
            seen.found = true;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.icon = shownIcon(box);
            GetWindowTextA(box, text, sizeof text);
            seen.caption = text;
            text[0] = '\0';
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            seen.text = text;
            PostMessageA(box, WM_COMMAND, command, 0);
            return;
        }
    }
}

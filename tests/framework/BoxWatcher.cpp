#include "BoxWatcher.h"

#include <cstring>
#include <vector>

namespace {

struct Search {
    const std::set<HWND>* existing;
    std::vector<HWND> found;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && std::strcmp(className, "#32770") == 0 &&
        (search->existing == nullptr || search->existing->count(window) == 0)) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> processDialogs(const std::set<HWND>* existing) {
    Search search{existing, {}};
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

BoxWatcher::BoxWatcher(WPARAM dismissCommand, DWORD timeoutMs) : command(dismissCommand), timeout(timeoutMs) {
    for (HWND window : processDialogs(nullptr)) {
        existing.insert(window);
    }
    worker = std::thread([this] { watch(); });
}

BoxWatcher::~BoxWatcher() {
    if (worker.joinable()) {
        worker.join();
    }
}

SeenBox BoxWatcher::result() {
    if (worker.joinable()) {
        worker.join();
    }
    return seen;
}

void BoxWatcher::watch() {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        for (HWND box : processDialogs(&existing)) {
            if (!IsWindowVisible(box)) {
                continue;
            }
            char text[512] = {};
            seen.found = true;
            seen.owner = GetWindow(box, GW_OWNER);
            GetWindowTextA(box, text, sizeof text);
            seen.caption = text;
            text[0] = '\0';
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            seen.text = text;
            PostMessageA(box, WM_COMMAND, command, 0);
            return;
        }
        Sleep(20);
    }
}

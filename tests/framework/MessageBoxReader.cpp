#include "MessageBoxReader.h"

namespace {

struct Watch {
    DWORD threadId;
    MessageBoxSeen seen;
};

BOOL CALLBACK readBox(HWND window, LPARAM watch) {
    MessageBoxSeen& seen = reinterpret_cast<Watch*>(watch)->seen;
    char text[1024] = {};
    GetClassNameA(window, text, sizeof text);
    if (lstrcmpA(text, "#32770") != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    GetWindowTextA(window, text, sizeof text);
    seen.caption = text;
    seen.hasTextControl = GetDlgItem(window, 0xFFFF) != nullptr;
    text[0] = '\0';
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    seen.text = text;
    seen.owner = GetWindow(window, GW_OWNER);
    seen.icon = shownIcon(window);
    seen.found = true;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

DWORD WINAPI watchForBox(void* watch) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!static_cast<Watch*>(watch)->seen.found && GetTickCount64() < deadline) {
        EnumThreadWindows(static_cast<Watch*>(watch)->threadId, readBox, reinterpret_cast<LPARAM>(watch));
        Sleep(20);
    }
    return 0;
}

} // namespace

MessageBoxSeen readMessageBox(const std::function<int()>& show) {
    Watch watch{GetCurrentThreadId(), {}};
    const HANDLE thread = CreateThread(nullptr, 0, watchForBox, &watch, 0, nullptr);
    if (thread == nullptr) {
        return watch.seen;
    }
    const int result = show();
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
    watch.seen.result = result;
    return watch.seen;
}

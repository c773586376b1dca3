#include "MessageBoxReader.h"

namespace {

BOOL CALLBACK dismissDialog(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0) {
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

} // namespace

MessageBoxReader::MessageBoxReader(const std::string& caption, DWORD timeout)
    : caption(caption), timeout(timeout), threadId(GetCurrentThreadId()) {
    thread = CreateThread(nullptr, 0, &MessageBoxReader::watch, this, 0, nullptr);
}

MessageBoxReader::~MessageBoxReader() {
    finish();
}

bool MessageBoxReader::finish() {
    if (thread != nullptr) {
        WaitForSingleObject(thread, timeout + 5000);
        CloseHandle(thread);
        thread = nullptr;
    }
    return found;
}

DWORD WINAPI MessageBoxReader::watch(void* self) {
    MessageBoxReader& reader = *static_cast<MessageBoxReader*>(self);
    const ULONGLONG deadline = GetTickCount64() + reader.timeout;
    while (GetTickCount64() < deadline) {
        const HWND box = FindWindowA("#32770", reader.caption.c_str());
        if (box != nullptr && GetWindowThreadProcessId(box, nullptr) == reader.threadId
            && IsWindowVisible(box)) {
            char text[1024] = {};
            reader.hasTextControl = GetDlgItem(box, 0xFFFF) != nullptr;
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            reader.text = text;
            reader.owner = GetWindow(box, GW_OWNER);
            reader.found = true;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(20);
    }
    EnumThreadWindows(reader.threadId, dismissDialog, 0);
    return 0;
}

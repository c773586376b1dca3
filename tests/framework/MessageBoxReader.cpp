#include "MessageBoxReader.h"

MessageBoxReader::MessageBoxReader(DWORD timeout) : timeout(timeout), threadId(GetCurrentThreadId()) {
    thread = CreateThread(nullptr, 0, &MessageBoxReader::watch, this, 0, nullptr);
}

bool MessageBoxReader::finish() {
    if (thread != nullptr) {
        WaitForSingleObject(thread, timeout + 5000);
        CloseHandle(thread);
        thread = nullptr;
    }
    return found;
}

BOOL CALLBACK MessageBoxReader::read(HWND window, LPARAM self) {
    MessageBoxReader& reader = *reinterpret_cast<MessageBoxReader*>(self);
    char text[1024] = {};
    GetClassNameA(window, text, sizeof text);
    if (lstrcmpA(text, "#32770") != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    GetWindowTextA(window, text, sizeof text);
    reader.caption = text;
    reader.hasTextControl = GetDlgItem(window, 0xFFFF) != nullptr;
    text[0] = '\0';
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    reader.text = text;
    reader.owner = GetWindow(window, GW_OWNER);
    reader.found = true;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

DWORD WINAPI MessageBoxReader::watch(void* self) {
    MessageBoxReader& reader = *static_cast<MessageBoxReader*>(self);
    const ULONGLONG deadline = GetTickCount64() + reader.timeout;
    while (!reader.found && GetTickCount64() < deadline) {
        EnumThreadWindows(reader.threadId, &MessageBoxReader::read, reinterpret_cast<LPARAM>(self));
        Sleep(20);
    }
    return 0;
}

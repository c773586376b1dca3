#pragma once

#include <windows.h>

#include <string>

// Watches from its own thread for a message box with the given caption shown
// by the calling thread, reads it and dismisses it with IDOK. After the
// time-out it dismisses any dialog of that thread, so no test is left waiting.
class MessageBoxReader {
public:
    MessageBoxReader(const std::string& caption, DWORD timeout = 10000);
    ~MessageBoxReader();
    MessageBoxReader(const MessageBoxReader&) = delete;
    MessageBoxReader& operator=(const MessageBoxReader&) = delete;

    // Waits for the watcher to finish; true when the box was found.
    bool finish();

    bool found = false;
    bool hasTextControl = false;
    std::string text;
    HWND owner = nullptr;

private:
    static DWORD WINAPI watch(void* self);

    std::string caption;
    DWORD timeout;
    DWORD threadId;
    HANDLE thread = nullptr;
};

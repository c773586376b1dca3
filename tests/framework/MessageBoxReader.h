#pragma once

#include <windows.h>

#include <string>

// Watches from its own thread for a message box (a "#32770" dialog) shown by
// the calling thread, reads it and dismisses it with IDOK; gives up after the
// time-out, so no test is left waiting.
class MessageBoxReader {
public:
    explicit MessageBoxReader(DWORD timeout = 10000);
    ~MessageBoxReader() { finish(); }
    MessageBoxReader(const MessageBoxReader&) = delete;
    MessageBoxReader& operator=(const MessageBoxReader&) = delete;

    // Waits for the watcher to finish; true when a box was read.
    bool finish();

    bool found = false;
    bool hasTextControl = false;
    std::string caption;
    std::string text;
    HWND owner = nullptr;

private:
    static DWORD WINAPI watch(void* self);
    static BOOL CALLBACK read(HWND window, LPARAM self);

    DWORD timeout;
    DWORD threadId;
    HANDLE thread = nullptr;
};

#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "BoxIcon.h"

// What a message box showed; found is false when none appeared in time.
struct MessageBoxSeen {
    int result = 0;
    bool found = false;
    bool hasTextControl = false;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    BoxIcon icon = BoxIcon::None;
};

// Calls show on this thread while a watcher thread waits up to 10 s for a
// message box (a "#32770" dialog) of this thread, reads it and dismisses it
// with IDOK, so no test is left waiting.
MessageBoxSeen readMessageBox(const std::function<int()>& show);

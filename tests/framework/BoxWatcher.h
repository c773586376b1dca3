#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <thread>

#include "BoxIcon.h"

// What a BoxWatcher saw of the dialog it dismissed.
struct SeenBox {
    bool found = false;
    HWND owner = nullptr;
    BoxIcon icon = BoxIcon::None;
    std::string caption;
    std::string text; // the static text 0xFFFF of a message box
};

// Watches from its own thread for the first visible top-level dialog window
// ("#32770") of this process that did not exist when the watcher started, reads
// it and dismisses it by posting WM_COMMAND with the given id. Gives up after
// the time-out, so a box that never appears cannot hang a test.
class BoxWatcher {
public:
    explicit BoxWatcher(WPARAM dismissCommand = IDOK, DWORD timeoutMs = 10000);
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Waits for the watcher to finish.
    SeenBox result();

private:
    void watch();

    WPARAM command;
    DWORD timeout;
    std::set<HWND> existing;
    SeenBox seen;
    std::thread worker;
};

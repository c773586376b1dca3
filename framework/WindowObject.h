#pragma once

#include <windows.h>

// Codes of WindowObject::notify. Handled is only ever a result.
enum NotifyCode : int {
    AddRef = 1,
    Release = 2,
    Attach = 3,
    Detach = 4,
    SetModeless = 5,
    PreTranslate = 6,
    Handled = 7,
    MsgFilter = 8,
};

// A reference-counted object paired with one window. Always created with new:
// the Release that drops the count to 0 deletes it. The destructor never
// touches the window.
class WindowObject {
public:
    WindowObject();
    virtual int notify(int code, LONG_PTR data);
    virtual ~WindowObject();
    virtual LRESULT callDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    HWND hwnd = nullptr;
    WNDPROC defaultProc;
    int refCount = 1;
};

#include "WindowObject.h"

WindowObject::WindowObject() : defaultProc(DefWindowProcA) {}

WindowObject::~WindowObject() = default;

int WindowObject::notify(int code, LONG_PTR data) {
    switch (code) {
    case AddRef:
        return ++refCount;
    case Release: {
        const int count = --refCount;
        if (count == 0) {
            delete this;
        }
        return count;
    }
    case Attach:
        hwnd = reinterpret_cast<HWND>(data);
        return notify(AddRef, 0);
    case Detach:
        hwnd = nullptr;
        return notify(Release, 0);
    default:
        return 0;
    }
}

LRESULT WindowObject::callDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(defaultProc, window, message, wParam, lParam);
}

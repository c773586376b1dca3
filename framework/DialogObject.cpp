#include "DialogObject.h"

#include "Application.h"

DialogObject::DialogObject() {
    defaultProc = DefDlgProcA;
}

DialogObject::~DialogObject() = default;

int DialogObject::notify(int code, LONG_PTR data) {
    switch (code) {
    case Attach:
        // The window's reference of a modal dialog is the one taken at construction.
        WindowObject::notify(Attach, data);
        return notify(Release, 0);
    case Detach:
        if (modeless && currentApplication != nullptr) {
            currentApplication->unregisterWindow(this);
        }
        return WindowObject::notify(Detach, data);
    case SetModeless: {
        const bool wasModeless = modeless;
        modeless = data != 0;
        // Only the change to modeless takes the window's reference, so a repeated
        // request cannot leave a reference or a list entry that Detach never drops.
        if (modeless && !wasModeless) {
            notify(AddRef, 0);
            if (currentApplication != nullptr) {
                currentApplication->registerWindow(this);
            }
        }
        return 0;
    }
    case PreTranslate:
        if (hwnd == nullptr) {
            return 0;
        }
        return IsDialogMessageA(hwnd, reinterpret_cast<MSG*>(data)) ? Handled : 0;
    case AddRef:
    case Release:
        return WindowObject::notify(code, data);
    default:
        return 0;
    }
}

int DialogObject::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL) {
            return FALSE;
        }
        // Destroying the window may delete this object: nothing of it is used after.
        if (modeless) {
            DestroyWindow(window);
        } else {
            EndDialog(window, id);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

#include "DialogBridge.h"

#include "Application.h"

namespace {

DialogObject* boundObject(HWND window, int slot) {
    return reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, slot));
}

} // namespace

INT_PTR startDialog(bool modeless, DialogFactory create, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A non-zero GWLP_USERDATA is an object attached by other means.
    DialogObject* object = boundObject(window, GWLP_USERDATA);
    if (object == nullptr) {
        try {
            object = create();
            if (object != nullptr) {
                object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
            }
        } catch (...) {
            // An object that exists by now is used; a throwing constructor left none.
        }
    }
    if (object == nullptr) {
        // Stay unbound: the next message tries again.
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&boundDialogProc));
    object->notify(SetModeless, modeless ? 1 : 0);
    return boundDialogProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK boundDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogObject* object = boundObject(window, DWLP_USER);
    if (object == nullptr) {
        return 0;
    }
    INT_PTR result = 0;
    try {
        result = object->windowProc(window, message, wParam, lParam);
    } catch (...) {
        // No exception may cross the system's dialog code; the message is answered with 0.
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&deadDialogProc));
        SetWindowLongPtrA(window, DWLP_USER, 0);
        if (GetWindowLongPtrA(window, GWLP_USERDATA) == 0) {
            // May delete the object: nothing touches it afterwards.
            object->notify(Detach, WM_NCDESTROY);
        }
    }
    return result;
}

INT_PTR CALLBACK deadDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

const DLGTEMPLATE* loadDialogTemplate(UINT id) {
    if (currentApplication == nullptr) {
        return nullptr;
    }
    const HINSTANCE instance = currentApplication->instance;
    const HRSRC found =
        FindResourceExA(instance, RT_DIALOG, MAKEINTRESOURCEA(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (found == nullptr) {
        return nullptr;
    }
    return static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(instance, found)));
}

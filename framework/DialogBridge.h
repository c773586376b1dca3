#pragma once

#include <windows.h>

#include "DialogObject.h"

// The dialog procedures that pair a dialog window with its object: the start
// procedure creates and binds the object on the window's first message, the
// bound procedure serves it and unbinds it at WM_NCDESTROY, the dead procedure
// answers whatever comes after.

using DialogFactory = DialogObject* (*)();

INT_PTR startDialog(bool modeless, DialogFactory create, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK boundDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK deadDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

template <class Dialog>
DialogObject* createDialogObject() {
    return new Dialog;
}

// One start procedure per dialog class and mode, all sharing startDialog.
template <class Dialog, bool Modeless>
INT_PTR CALLBACK startDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return startDialog(Modeless, &createDialogObject<Dialog>, window, message, wParam, lParam);
}

// The RT_DIALOG resource id in the application's module (language neutral),
// or null.
const DLGTEMPLATE* loadDialogTemplate(UINT id);

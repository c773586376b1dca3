#include "ToolLoop.h"

#include "Application.h"
#include "DialogBridge.h"
#include "MainDialog.h"
#include "resource.h"

int ToolLoop::runProgram(int showCommand) {
    const DLGTEMPLATE* dialogTemplate = loadDialogTemplate(IDD_MAIN);
    if (!dialogTemplate) {
        return 0;
    }
    // WM_INITDIALOG runs inside this call and receives the show command's address.
    HWND window = CreateDialogIndirectParamA(currentApplication->instance, dialogTemplate, nullptr,
        startDialogProc<MainDialog, true>, reinterpret_cast<LPARAM>(&showCommand));
    if (!window) {
        return 0;
    }
    auto* object = static_cast<MainDialog*>(reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, DWLP_USER)));
    if (!object) {
        DestroyWindow(window);
        return 0;
    }
    // Always the normal state, whatever the process was started with.
    ShowWindow(object->hwnd, SW_SHOW);
    ApplicationBase::setMainWindow(object->hwnd);
    object->seedFileName();
    int result = runLoop();
    object->notify(Release, 0);
    return result;
}

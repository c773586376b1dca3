#include "MainDialog.h"

#include <shellapi.h>

#include "Application.h"
#include "CommandLine.h"
#include "DroppedFile.h"
#include "Registry.h"
#include "WindowPlacement.h"
#include "resource.h"

namespace {

// Posted by the session-end query so that the window goes only after the
// dialog manager has handed the query's answer to the sender.
constexpr UINT destroyAfterAnswer = WM_APP;

} // namespace

MainDialog::MainDialog() : path{}, keepTime(true) {}

MainDialog::~MainDialog() = default;

bool MainDialog::exchangeData(bool save) {
    if (!exchangeText(save, IDC_FILE_NAME, path, sizeof path)) {
        return false;
    }
    return exchangeCheck(save, IDC_KEEP_TIME, keepTime);
}

int MainDialog::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    case WM_CLOSE:
        onClose();
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        DestroyWindow(window);
        return TRUE;
    case WM_QUERYENDSESSION:
        onClose();
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        // With the queue full the window goes at once: closing matters more
        // than the answer.
        if (!PostMessageA(window, destroyAfterAnswer, 0, 0)) {
            DestroyWindow(window);
        }
        return TRUE;
    case destroyAfterAnswer:
        DestroyWindow(window);
        return TRUE;
    case WM_INITDIALOG:
        DragAcceptFiles(window, TRUE);
        initDialog(reinterpret_cast<int*>(lParam));
        return TRUE;
    case WM_COMMAND: {
        int result = 0;
        if (onCommand(result, window, HIWORD(wParam), wParam, lParam)) {
            SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
            return TRUE;
        }
        break;
    }
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND) {
            SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_DROPFILES:
        takeDroppedFile(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    default:
        break;
    }
    return DialogObject::windowProc(window, message, wParam, lParam);
}

bool MainDialog::initDialog(int* showCommand) {
    if (HMENU menu = GetSystemMenu(hwnd, FALSE)) {
        DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
        DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    }
    Application* application = currentApplication;
    if (HICON icon = LoadIconA(application->instance, MAKEINTRESOURCEA(IDI_SONORIX))) {
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    HKEY key = openAppKey(HKEY_CURRENT_USER, application->companyName, application->internalName,
        application->fileVersion, nullptr);
    if (key) {
        // A dialog created by other means passes no show command.
        int fallback = SW_SHOW;
        restoreWindowPlacement(hwnd, showCommand ? showCommand : &fallback, key);
        closeKey(key);
    }
    return exchangeData(false);
}

void MainDialog::onClose() {
    Application* application = currentApplication;
    application->winHelp(hwnd, HELP_QUIT, 0, nullptr);
    if (application->commandLine.option("deluser") == 1) {
        deleteAppKey(HKEY_CURRENT_USER, application->companyName, application->internalName, application->fileVersion,
            nullptr);
    }
    if (application->commandLine.option("delinfo") == 1) {
        deleteAppKey(HKEY_LOCAL_MACHINE, application->companyName, application->internalName, application->fileVersion,
            nullptr);
    }
}

void MainDialog::seedFileName() {
    const CommandLine& commandLine = currentApplication->commandLine;
    for (const char* token = commandLine.nextToken(nullptr); token; token = commandLine.nextToken(token)) {
        if (token[0] == '/' || token[0] == '-') {
            continue;
        }
        char name[260];
        if (unquote(name, sizeof name, token) == 1) {
            SetDlgItemTextA(hwnd, IDC_FILE_NAME, name);
            return;
        }
    }
}

// Only the edit field changes; path follows at the next Run.
void MainDialog::takeDroppedFile(HDROP drop) {
    char name[260];
    if (firstDroppedFile(drop, name, sizeof name)) {
        SetDlgItemTextA(hwnd, IDC_FILE_NAME, name);
    }
    DragFinish(drop);
}

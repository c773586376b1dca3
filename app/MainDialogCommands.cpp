#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "AboutDialog.h"
#include "Application.h"
#include "BoundedFormat.h"
#include "DialogBridge.h"
#include "FileDialog.h"
#include "MainDialog.h"
#include "WaveRepairer.h"
#include "resource.h"

namespace {

UINT resultStringId(RepairResult result) {
    switch (result) {
    case RepairResult::Repaired:
        return IDS_REPAIRED;
    case RepairResult::AlreadyValid:
        return IDS_ALREADY_VALID;
    case RepairResult::Unsupported:
        return IDS_UNSUPPORTED;
    default:
        return IDS_FILE_ERROR;
    }
}

} // namespace

// Enter and Esc arrive as IDOK and IDCANCEL; answering them here keeps the
// modeless window from being destroyed without the close handling.
bool MainDialog::onCommand(int&, HWND window, int, WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
        return true;
    case IDC_RUN:
        runRepair(window);
        return true;
    case IDC_BROWSE:
        browse(window);
        return true;
    case IDM_ABOUT:
        showAbout(window);
        return true;
    case IDM_EXIT:
        SendMessageA(window, WM_CLOSE, 0, 0);
        return true;
    case IDM_HELP:
        openReadMe(window);
        return true;
    default:
        return false;
    }
}

// The name goes to the repair exactly as typed; the controls are not changed.
void MainDialog::runRepair(HWND window) {
    if (!exchangeData(true)) {
        return;
    }
    if (path[0] == '\0') {
        warnFieldById(IDC_FILE_NAME, IDS_NO_FILE_NAME);
        return;
    }
    WaveRepairer repairer;
    RepairResult result = repairer.repair(path, keepTime);
    currentApplication->messageBoxId(window, resultStringId(result), nullptr, MB_ICONINFORMATION);
}

// Fields are not pulled first, so a chosen file also resets the check box to
// keepTime as last pulled.
void MainDialog::browse(HWND window) {
    char name[260];
    name[0] = '\0';
    OPENFILENAMEA request;
    initFileDialog(request, window, name, sizeof name);
    request.Flags |= OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    request.lpstrFilter = "Wave (*.wav)\0*.wav\0All (*.*)\0*.*\0";
    request.lpstrDefExt = "wav";
    DWORD errorCode = 0;
    switch (runFileDialog(request, &errorCode, true)) {
    case Chosen:
        lstrcpynA(path, name, sizeof path);
        exchangeData(false);
        break;
    case Failed:
        showCommonDialogError(window, errorCode);
        break;
    case Cancelled:
        break;
    }
}

void MainDialog::showAbout(HWND window) {
    const DLGTEMPLATE* dialogTemplate = loadDialogTemplate(IDD_ABOUT);
    if (!dialogTemplate) {
        return;
    }
    DialogBoxIndirectParamA(currentApplication->instance, dialogTemplate, window, startDialogProc<AboutDialog, false>,
        0);
}

// A read-me path that does not fit is not opened: a cut one names another
// file. Without a base name there is no read-me, only a file named ".txt".
void MainDialog::openReadMe(HWND window) {
    char readMe[260];
    if (currentApplication->moduleName[0] == '\0'
        || !formatBounded(readMe, sizeof readMe, "%s\\%s.txt", currentApplication->moduleDir,
            currentApplication->moduleName)) {
        return;
    }
    ShellExecuteA(window, nullptr, readMe, nullptr, nullptr, SW_SHOWNORMAL);
}

#include "FileDialog.h"

#include "Application.h"
#include "FrameworkStrings.h"
#include "HeapString.h"

#include <cstddef>

#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
    "the structure without the members of later versions");
#endif

void showCommonDialogError(HWND owner, DWORD code) {
    if (currentApplication == nullptr) {
        return;
    }
    const HeapString text(currentApplication->formatString(IDS_FRAMEWORK_COMMDLG_ERROR, code));
    currentApplication->messageBox(owner, text != nullptr ? text.get() : "", nullptr, MB_ICONERROR);
}

void initFileDialog(OPENFILENAMEA& request, HWND owner, char* buffer, DWORD capacity) {
    request = OPENFILENAMEA{};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.lpstrFile = buffer;
    request.nMaxFile = capacity;
    request.Flags = OFN_EXPLORER;
}

FileDialogResult runFileDialog(OPENFILENAMEA& request, DWORD* errorCode, bool saveDialog) {
    // Always a plain explorer-style dialog, whatever hook or template the caller asked for.
    request.hInstance = nullptr;
    request.lpTemplateName = nullptr;
    request.lpfnHook = nullptr;
    request.Flags &= ~static_cast<DWORD>(OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE);
    const BOOL chosen = saveDialog ? GetSaveFileNameA(&request) : GetOpenFileNameA(&request);
    if (chosen) {
        return Chosen;
    }
    const DWORD code = CommDlgExtendedError();
    if (code == 0) {
        return Cancelled;
    }
    if (errorCode != nullptr) {
        *errorCode = code;
    }
    return Failed;
}

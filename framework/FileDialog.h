#pragma once

#include <windows.h>
#include <commdlg.h>

enum FileDialogResult : int {
    Chosen = 1,
    Cancelled = 2,
    Failed = 3,
};

void showCommonDialogError(HWND owner, DWORD code);
void initFileDialog(OPENFILENAMEA& request, HWND owner, char* buffer, DWORD capacity);
FileDialogResult runFileDialog(OPENFILENAMEA& request, DWORD* errorCode, bool saveDialog);

#include "AboutDialog.h"

#include <cstdio>

#include "Application.h"
#include "resource.h"

namespace {

const char* orEmpty(const char* text) {
    return text ? text : "";
}

} // namespace

AboutDialog::~AboutDialog() = default;

int AboutDialog::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // Over-long version strings are cut at the buffer's end, never written past it.
        char text[1024];
        std::snprintf(text, sizeof text, "%s version %s\n%s", orEmpty(currentApplication->productName),
            orEmpty(currentApplication->fileVersion), orEmpty(currentApplication->legalCopyright));
        SetDlgItemTextA(window, IDC_VERSION_TEXT, text);
        return TRUE;
    }
    return DialogObject::windowProc(window, message, wParam, lParam);
}

#pragma once

#include <windows.h>

#include "DialogObject.h"

// The modal version-information box: product name, file version and legal
// notice from the program's version block.
class AboutDialog : public DialogObject {
public:
    ~AboutDialog() override;
    int windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};

#pragma once

#include <windows.h>

#include "DialogObject.h"

// The tool's one window: the file to repair and the keep-time flag, the close
// handling with the registry clean-up options, drops from the shell, and the
// commands of its buttons and menu.
class MainDialog : public DialogObject {
public:
    MainDialog();
    ~MainDialog() override;
    int windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // save true pulls the controls into path and keepTime; false pushes them.
    bool exchangeData(bool save);
    bool initDialog(int* showCommand);
    void onClose();
    // The first plain command-line argument that fits goes into the edit field.
    void seedFileName();
    // True when the command was handled; result is left as the caller set it.
    bool onCommand(int& result, HWND window, int notifyCode, WPARAM wParam, LPARAM lParam);

    char path[260];
    bool keepTime;

private:
    void takeDroppedFile(HDROP drop);
    void runRepair(HWND window);
    void browse(HWND window);
    void showAbout(HWND window);
    void openReadMe(HWND window);
};

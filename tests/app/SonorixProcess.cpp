#include "SonorixProcess.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestFiles.h"

namespace {

struct Search {
    DWORD processId;
    const char* caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || window == search->except || !IsWindowVisible(window)) {
        return TRUE;
    }
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0) {
        return TRUE;
    }
    if (search->caption[0] != '\0') {
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof caption);
        if (lstrcmpA(caption, search->caption) != 0) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

HWND findDialog(DWORD processId, const std::string& caption, HWND except, DWORD timeout,
                DWORD pollInterval) {
    DWORD started = GetTickCount();
    for (;;) {
        Search search{processId, caption.c_str(), except, nullptr};
        EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return search.found;
        }
        if (GetTickCount() - started > timeout) {
            return nullptr;
        }
        Sleep(pollInterval);
    }
}

} // namespace

std::string sonorixPath() {
    return windowsPath(SONORIX_EXE);
}

std::string controlText(HWND dialog, int id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

SonorixProcess::~SonorixProcess() {
    kill();
}

bool SonorixProcess::start(const std::string& arguments, int showCommand,
                           const std::string& program) {
    std::string commandLine = "\"" + (program.empty() ? sonorixPath() : program) + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info) != FALSE;
}

HWND SonorixProcess::waitMainWindow(DWORD timeout) {
    mainWindow = findDialog(info.dwProcessId, "Sonorix", nullptr, timeout, pollInterval);
    return mainWindow;
}

HWND SonorixProcess::waitDialog(const std::string& caption, DWORD timeout) const {
    return findDialog(info.dwProcessId, caption, mainWindow, timeout, pollInterval);
}

HWND SonorixProcess::waitMessageBox(DWORD timeout) const {
    return waitDialog("Sonorix", timeout);
}

std::string SonorixProcess::takeMessageBox(DWORD timeout) const {
    HWND box = waitMessageBox(timeout);
    if (!box) {
        ADD_FAILURE() << "no message box appeared";
        return std::string();
    }
    std::string text = controlText(box, 0xFFFF);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitGone(box)) << "the message box did not close";
    return text;
}

bool SonorixProcess::waitGone(HWND window, DWORD timeout) const {
    DWORD started = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - started > timeout) {
            return false;
        }
        Sleep(pollInterval);
    }
    return true;
}

bool SonorixProcess::waitExit(DWORD* exitCode, DWORD timeout) {
    if (!info.hProcess || WaitForSingleObject(info.hProcess, timeout) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(info.hProcess, exitCode) != FALSE;
}

bool SonorixProcess::running() const {
    return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

void SonorixProcess::kill() {
    if (running()) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    if (info.hThread) {
        CloseHandle(info.hThread);
    }
    if (info.hProcess) {
        CloseHandle(info.hProcess);
    }
    info = PROCESS_INFORMATION{};
}

// Posted, so that a box the command opens never blocks the caller.
void SonorixProcess::postCommand(int id) const {
    PostMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, id)));
}

bool SonorixProcess::setFileName(const std::string& name) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(GetDlgItem(mainWindow, 1003), WM_SETTEXT, 0,
                               reinterpret_cast<LPARAM>(name.c_str()), SMTO_ABORTIFHUNG,
                               defaultTimeout, &result) != 0;
}

std::string SonorixProcess::fileName() const {
    return controlText(mainWindow, 1003);
}

bool SonorixProcess::keepTimeTicked() const {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(mainWindow, 1002), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG,
                        defaultTimeout, &state);
    return state == BST_CHECKED;
}

void SonorixProcess::setKeepTime(bool ticked) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(mainWindow, 1002), BM_SETCHECK,
                        ticked ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_ABORTIFHUNG, defaultTimeout,
                        &result);
}

std::string SonorixProcess::run(const std::string& name) const {
    if (!setFileName(name)) {
        ADD_FAILURE() << "could not set the file name";
        return std::string();
    }
    postCommand(1001);
    return takeMessageBox();
}

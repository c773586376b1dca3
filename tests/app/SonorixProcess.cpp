#include "SonorixProcess.h"

#include "TestFiles.h"

namespace {

struct Search {
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (IsWindowVisible(window) && (*search->match)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool waitUntil(const std::function<bool()>& done, DWORD timeout, DWORD pollInterval) {
    DWORD started = GetTickCount();
    while (!done()) {
        if (GetTickCount() - started > timeout) {
            return false;
        }
        Sleep(pollInterval);
    }
    return true;
}

HWND waitWindow(const std::function<bool(HWND)>& match, DWORD timeout, DWORD pollInterval) {
    Search search{&match, nullptr};
    waitUntil(
        [&search] {
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout, pollInterval);
    return search.found;
}

std::string windowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string controlText(HWND dialog, int id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string sonorixPath() {
    return windowsPath(SONORIX_EXE);
}

bool SonorixProcess::start(const std::string& arguments, int showCommand, const std::string& program) {
    std::string commandLine = "\"" + (program.empty() ? sonorixPath() : program) + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)
        != FALSE;
}

HWND SonorixProcess::waitMainWindow(DWORD timeout) {
    return mainWindow = waitDialog("Sonorix", timeout);
}

HWND SonorixProcess::waitDialog(const std::string& caption, DWORD timeout) const {
    return waitWindow(
        [&](HWND window) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char className[16] = {};
            GetClassNameA(window, className, sizeof className);
            return owner == info.dwProcessId && window != mainWindow && lstrcmpA(className, "#32770") == 0
                && (caption.empty() || caption == windowText(window));
        },
        timeout, pollInterval);
}

ShownBox SonorixProcess::takeBox() const {
    HWND box = waitMessageBox();
    if (!box) {
        ADD_FAILURE() << "no message box appeared";
        return ShownBox();
    }
    ShownBox shown{controlText(box, 0xFFFF), GetWindow(box, GW_OWNER), shownIcon(box)};
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitGone(box)) << "the message box did not close";
    return shown;
}

bool SonorixProcess::waitGone(HWND window, DWORD timeout) const {
    return waitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout, pollInterval);
}

bool SonorixProcess::waitExit(DWORD* exitCode, DWORD timeout) {
    return info.hProcess && WaitForSingleObject(info.hProcess, timeout) == WAIT_OBJECT_0
        && GetExitCodeProcess(info.hProcess, exitCode);
}

void SonorixProcess::kill() {
    if (running()) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    for (HANDLE handle : {info.hThread, info.hProcess}) {
        if (handle) {
            CloseHandle(handle);
        }
    }
    info = PROCESS_INFORMATION{};
}

void SonorixProcess::postCommand(int id) const {
    PostMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
        reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, id)));
}

LRESULT SonorixProcess::send(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(mainWindow, id), message, wParam, lParam, SMTO_ABORTIFHUNG, defaultTimeout, &result);
    return static_cast<LRESULT>(result);
}

ShownBox SonorixProcess::run(const std::string& name) const {
    if (!setFileName(name)) {
        ADD_FAILURE() << "could not set the file name";
        return ShownBox();
    }
    postCommand(1001);
    return takeBox();
}

#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "BoxIcon.h"

// Asks done until it holds or timeout ms have passed; returns its last answer.
bool waitUntil(const std::function<bool()>& done, DWORD timeout, DWORD pollInterval = 20);
// A visible top-level window that match accepts; null on time-out.
HWND waitWindow(const std::function<bool(HWND)>& match, DWORD timeout, DWORD pollInterval = 20);
std::string windowText(HWND window);
// The text of a control, read by message as from another process.
std::string controlText(HWND dialog, int id);
// Full path of Sonorix.exe of this build.
std::string sonorixPath();

// What a message box of the program showed.
struct ShownBox {
    std::string text;
    HWND owner = nullptr;
    BoxIcon icon = BoxIcon::None;
};

// Sonorix.exe of this build in a process of its own, driven from outside
// the way a user would. Every wait ends at its time-out; a process still
// running when the object dies is terminated, taking its boxes with it.
class SonorixProcess {
public:
    SonorixProcess() = default;
    ~SonorixProcess() { kill(); }
    SonorixProcess(const SonorixProcess&) = delete;
    SonorixProcess& operator=(const SonorixProcess&) = delete;

    // arguments follow the quoted program path (this build's Sonorix.exe
    // unless another is given). showCommand < 0 passes no show command.
    bool start(const std::string& arguments, int showCommand = -1, const std::string& program = std::string());
    // The visible main dialog (class #32770, caption "Sonorix"); null on time-out.
    HWND waitMainWindow(DWORD timeout = defaultTimeout);
    // A visible dialog of the process with that caption, other than the main
    // window; an empty caption matches any.
    HWND waitDialog(const std::string& caption, DWORD timeout = defaultTimeout) const;
    // A message box: captioned "Sonorix" like the main window, but not it.
    HWND waitMessageBox(DWORD timeout = defaultTimeout) const { return waitDialog("Sonorix", timeout); }
    // Reads the box's text, owner and icon, dismisses it with OK and waits
    // until it is gone; empty with a failure recorded when there is none.
    ShownBox takeBox() const;
    std::string takeMessageBox() const { return takeBox().text; }
    bool waitGone(HWND window, DWORD timeout = defaultTimeout) const;
    // True with the exit code once the process has ended.
    bool waitExit(DWORD* exitCode, DWORD timeout = defaultTimeout);
    bool running() const { return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    void kill();

    // Posted, so that a box the command opens never blocks the caller.
    void postCommand(int id) const;
    // A message to a control of the main window; 0 when the program does not answer.
    LRESULT send(int id, UINT message, WPARAM wParam, LPARAM lParam) const;
    bool setFileName(const std::string& name) const {
        return send(1003, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str())) == TRUE;
    }
    std::string fileName() const { return controlText(mainWindow, 1003); }
    bool keepTimeTicked() const { return send(1002, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void setKeepTime(bool ticked) const { send(1002, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0); }
    // Runs the repair on name and returns the box it shows.
    ShownBox run(const std::string& name) const;

    static constexpr DWORD defaultTimeout = 15000;
    // How often the waits look again; finer for timing than for testing.
    DWORD pollInterval = 20;

    HWND mainWindow = nullptr;
    PROCESS_INFORMATION info{};
};

// Tests that begin with Sonorix started without arguments.
class StartedSonorix : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(process.start(""));
        ASSERT_TRUE(process.waitMainWindow());
    }
    SonorixProcess process;
};

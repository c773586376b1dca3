#pragma once

#include <windows.h>

#include <string>

// Sonorix.exe of this build in a process of its own, driven from outside
// the way a user would. Every wait ends at its time-out; a process still
// running when the object dies is terminated, taking its boxes with it.
class SonorixProcess {
public:
    SonorixProcess() = default;
    ~SonorixProcess();
    SonorixProcess(const SonorixProcess&) = delete;
    SonorixProcess& operator=(const SonorixProcess&) = delete;

    // arguments follow the quoted program path (this build's Sonorix.exe
    // unless another is given). showCommand < 0 passes no show command in
    // the start-up information.
    bool start(const std::string& arguments, int showCommand = -1,
               const std::string& program = std::string());
    // The visible main dialog (class #32770, caption "Sonorix"); null on time-out.
    HWND waitMainWindow(DWORD timeout = defaultTimeout);
    // A visible top-level dialog of the process with that caption, other than
    // the main window; an empty caption matches any.
    HWND waitDialog(const std::string& caption, DWORD timeout = defaultTimeout) const;
    // A message box: captioned "Sonorix" like the main window, but not it.
    HWND waitMessageBox(DWORD timeout = defaultTimeout) const;
    // Reads the box's text, dismisses it with OK and waits until it is gone;
    // empty with a failure recorded when there is none.
    std::string takeMessageBox(DWORD timeout = defaultTimeout) const;
    bool waitGone(HWND window, DWORD timeout = defaultTimeout) const;
    // True with the exit code once the process has ended.
    bool waitExit(DWORD* exitCode, DWORD timeout = defaultTimeout);
    bool running() const;
    void kill();

    void postCommand(int id) const;
    bool setFileName(const std::string& name) const;
    std::string fileName() const;
    bool keepTimeTicked() const;
    void setKeepTime(bool ticked) const;
    // Runs the repair on name and returns the result box's text.
    std::string run(const std::string& name) const;

    static constexpr DWORD defaultTimeout = 15000;
    // How often the waits look again; finer for timing than for testing.
    DWORD pollInterval = 20;

    HWND mainWindow = nullptr;
    PROCESS_INFORMATION info{};
};

// The text of a control, read by message as from another process.
std::string controlText(HWND dialog, int id);
// Full path of Sonorix.exe of this build.
std::string sonorixPath();

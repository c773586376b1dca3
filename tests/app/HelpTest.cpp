#include <gtest/gtest.h>

#include <string>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

struct Viewer {
    const char* name;
    HWND found;
};

BOOL CALLBACK matchViewer(HWND window, LPARAM data) {
    auto* viewer = reinterpret_cast<Viewer*>(data);
    char caption[512] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && std::string(caption).find(viewer->name) != std::string::npos) {
        viewer->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of any process whose caption names the file.
HWND waitViewer(const char* name, DWORD timeout) {
    DWORD started = GetTickCount();
    for (;;) {
        Viewer viewer{name, nullptr};
        EnumWindows(matchViewer, reinterpret_cast<LPARAM>(&viewer));
        if (viewer.found || GetTickCount() - started > timeout) {
            return viewer.found;
        }
        Sleep(50);
    }
}

// Closes the viewer the shell started, by force if it will not go.
void closeViewer(HWND viewer) {
    DWORD processId = 0;
    GetWindowThreadProcessId(viewer, &processId);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    if (process) {
        if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process, 1);
        }
        CloseHandle(process);
    }
}

// A copy of the program under another base name, with or without its read-me.
std::string renamedCopy(const std::string& folder, const char* baseName, bool withReadMe) {
    std::string exe = folder + "\\" + baseName + ".exe";
    EXPECT_TRUE(CopyFileA(sonorixPath().c_str(), exe.c_str(), FALSE));
    if (withReadMe) {
        EXPECT_TRUE(writeFile(folder + "\\" + baseName + ".txt",
                              std::vector<unsigned char>{'h', 'e', 'l', 'p', '\r', '\n'}));
    }
    return exe;
}

// Windows opens .txt files with Notepad; a fresh Wine prefix may lack the
// association, so the test supplies it.
void associateTextFiles() {
    if (!keyExists(HKEY_CLASSES_ROOT, ".txt")) {
        ASSERT_TRUE(setString(HKEY_CLASSES_ROOT, ".txt", nullptr, "txtfile"));
    }
}

TEST(Help, OpensTheReadMeNamedAfterTheExecutable) {
    associateTextFiles();
    std::string folder = scratchFolder("help");
    SonorixProcess process;
    ASSERT_TRUE(process.start("", -1, renamedCopy(folder, "Renamed", true)));
    ASSERT_TRUE(process.waitMainWindow());
    process.postCommand(40003);
    HWND viewer = waitViewer("Renamed.txt", 30000);
    ASSERT_NE(nullptr, viewer) << "no viewer opened Renamed.txt";
    closeViewer(viewer);
    EXPECT_EQ(nullptr, process.waitMessageBox(200));
    EXPECT_TRUE(process.running());
}

TEST(Help, WithoutReadMeNothingIsShown) {
    associateTextFiles();
    std::string folder = scratchFolder("nohelp");
    SonorixProcess process;
    ASSERT_TRUE(process.start("", -1, renamedCopy(folder, "Lonely", false)));
    ASSERT_TRUE(process.waitMainWindow());
    process.postCommand(40003);
    EXPECT_EQ(nullptr, process.waitMessageBox(3000)) << "the program reported the missing file";
    HWND viewer = waitViewer("Lonely.txt", 100);
    EXPECT_EQ(nullptr, viewer);
    if (viewer) {
        closeViewer(viewer);
    }
    EXPECT_TRUE(process.running());
}

} // namespace

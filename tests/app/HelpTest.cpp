#include <gtest/gtest.h>

#include <string>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

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

TEST(Help, OpensTheReadMeNamedAfterTheExecutableAndNothingWithoutIt) {
    // Windows opens .txt files with Notepad; a fresh Wine prefix may lack the association.
    if (!keyExists(HKEY_CLASSES_ROOT, ".txt")) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtfile", 0));
    }
    std::string folder = scratchFolder("help");
    for (const char* baseName : {"Renamed", "Lonely"}) {
        SCOPED_TRACE(baseName);
        bool withReadMe = baseName[0] == 'R';
        // A copy of the program under another base name, with or without its read-me.
        std::string base = folder + "\\" + baseName;
        ASSERT_TRUE(CopyFileA(sonorixPath().c_str(), (base + ".exe").c_str(), FALSE));
        if (withReadMe) {
            ASSERT_TRUE(writeFile(base + ".txt", {'h', 'e', 'l', 'p', '\r', '\n'}));
        }
        SonorixProcess process;
        ASSERT_TRUE(process.start("", -1, base + ".exe"));
        ASSERT_TRUE(process.waitMainWindow());
        process.postCommand(40003);
        // A visible window of any process whose caption names the read-me.
        std::string readMe = std::string(baseName) + ".txt";
        HWND viewer = waitWindow([&](HWND window) {
            return windowText(window).find(readMe) != std::string::npos;
        }, withReadMe ? 30000 : 3000, 50);
        EXPECT_EQ(withReadMe, viewer != nullptr);
        if (viewer) {
            closeViewer(viewer);
        }
        EXPECT_EQ(nullptr, process.waitMessageBox(200)) << "the program reported the read-me";
        EXPECT_TRUE(process.running());
    }
}

} // namespace

#include <gtest/gtest.h>

#include <string>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

TEST(Help, OpensTheReadMeNamedAfterTheExecutableAndNothingWithoutIt) {
    // Windows opens .txt files with Notepad; a fresh Wine prefix may lack the association.
    if (!keyExists(HKEY_CLASSES_ROOT, ".txt")) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtfile", 0));
    }
    std::string folder = scratchFolder("help");
    // A copy of the program under another base name, with or without its
    // read-me; with an empty base name there is no read-me to open, not even
    // the file ".txt".
    const struct {
        const char* baseName;
        bool withReadMe;
        bool opened;
    } cases[] = {{"Renamed", true, true}, {"Lonely", false, false}, {"", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("base name '") + c.baseName + "'");
        std::string base = folder + "\\" + c.baseName;
        ASSERT_TRUE(CopyFileA(sonorixPath().c_str(), (base + ".exe").c_str(), FALSE));
        if (c.withReadMe) {
            ASSERT_TRUE(writeFile(base + ".txt", {'h', 'e', 'l', 'p', '\r', '\n'}));
        }
        SonorixProcess process;
        ASSERT_TRUE(process.start("", -1, base + ".exe"));
        ASSERT_TRUE(process.waitMainWindow());
        process.postCommand(40003);
        // A visible window of any process whose caption begins with the read-me's name.
        std::string readMe = std::string(c.baseName) + ".txt";
        HWND viewer = waitWindow([&](HWND window) { return windowText(window).rfind(readMe, 0) == 0; },
            c.opened ? 30000 : 3000, 50);
        EXPECT_EQ(c.opened, viewer != nullptr);
        DWORD viewerId = 0;
        if (viewer && GetWindowThreadProcessId(viewer, &viewerId)) {
            HANDLE viewerProcess = OpenProcess(PROCESS_TERMINATE, FALSE, viewerId);
            TerminateProcess(viewerProcess, 0);
            CloseHandle(viewerProcess);
        }
        EXPECT_EQ(nullptr, process.waitMessageBox(200)) << "the program reported the read-me";
        EXPECT_TRUE(process.running());
    }
}

} // namespace

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "ApplicationBase.h"
#include "HelpFile.h"

namespace {

struct HelpCase {
    std::string directory;
    const char* name;
    const char* windowName;
    bool fits;
    std::string path;
};

TEST(HelpPath, ComposesTheFileAndTheSecondaryWindow) {
    const std::string room(324 - std::strlen("\\S.hlp>main"), 'd');
    const HelpCase cases[] = {
        {"C:\\Tools", "Sonorix", nullptr, true, "C:\\Tools\\Sonorix.hlp"},
        {"C:\\Tools", "Sonorix", "main", true, "C:\\Tools\\Sonorix.hlp>main"},
        {"C:\\\x83\x5C", "\x95\x5C", "", true, "C:\\\x83\x5C\\\x95\x5C.hlp>"},
        {room.substr(1), "S", "main", true, room.substr(1) + "\\S.hlp>main"},
        {room, "S", "main", false, ""},
        {room + "xxxx", "S", nullptr, true, room + "xxxx\\S.hlp"},
        {room + "xxxxx", "S", nullptr, false, ""},
    };
    for (const HelpCase& entry : cases) {
        SCOPED_TRACE(entry.directory.size());
        char path[324 + 16];
        std::memset(path, 'Z', sizeof path);
        EXPECT_EQ(composeHelpPath(path, 324, entry.directory.c_str(), entry.name, entry.windowName), entry.fits);
        EXPECT_EQ(std::string(path), entry.path);
        EXPECT_EQ(path[324], 'Z');
    }
}

// Stands in for the WinHelp viewer: WinHelpA hands the viewer's window the
// request, with the help path, through WM_COPYDATA.
int requests = 0;
std::string requestedPath;

LRESULT CALLBACK helpViewer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    struct Request {
        WORD size, command;
        LONG data, reserved;
        WORD ofsFilename, ofsData;
    };
    const auto* copied = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const auto* request = static_cast<const Request*>(copied->lpData);
    ++requests;
    if (request->ofsFilename != 0 && request->ofsFilename < copied->cbData) {
        const char* name = reinterpret_cast<const char*>(request) + request->ofsFilename;
        requestedPath.assign(name, strnlen(name, copied->cbData - request->ofsFilename));
    }
    return TRUE;
}

TEST(HelpRequest, HandsTheViewerThePathOrNothingWhenItDoesNotFit) {
    const std::string wide(260, 'd');
    const std::string window50(50, 'w');
    const std::string window60(60, 'w');
    const HelpCase cases[] = {
        {"C:\\Tools", "Sonorix", "main", true, "C:\\Tools\\Sonorix.hlp>main"},
        {wide, "S", window50.c_str(), true, wide + "\\S.hlp>" + window50},
        {wide, "S", window60.c_str(), false, ""},
    };
    WNDCLASSA viewerClass = {};
    viewerClass.lpfnWndProc = helpViewer;
    viewerClass.hInstance = GetModuleHandleA(nullptr);
    viewerClass.lpszClassName = "MS_WINHELP";
    ASSERT_NE(RegisterClassA(&viewerClass), 0);
    const HWND viewer =
        CreateWindowA("MS_WINHELP", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(viewer, nullptr);
    for (const HelpCase& entry : cases) {
        SCOPED_TRACE(&entry - cases);
        ApplicationBase application;
        std::strcpy(application.moduleDir, entry.directory.c_str());
        std::strcpy(application.moduleName, entry.name);
        const int before = requests;
        requestedPath.clear();
        EXPECT_EQ(application.winHelp(nullptr, HELP_QUIT, 0, entry.windowName), entry.fits);
        EXPECT_EQ(requests, before + (entry.fits ? 1 : 0));
        EXPECT_EQ(requestedPath, entry.path);
    }
    DestroyWindow(viewer);
    UnregisterClassA("MS_WINHELP", GetModuleHandleA(nullptr));
}

} // namespace

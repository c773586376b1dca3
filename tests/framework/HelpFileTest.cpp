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
struct HelpViewer {
    HelpViewer() {
        WNDCLASSA viewerClass = {};
        viewerClass.lpfnWndProc = procedure;
        viewerClass.hInstance = GetModuleHandleA(nullptr);
        viewerClass.lpszClassName = "MS_WINHELP";
        RegisterClassA(&viewerClass);
        window = CreateWindowA("MS_WINHELP", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        requests = 0;
        path.clear();
    }
    ~HelpViewer() {
        DestroyWindow(window);
        UnregisterClassA("MS_WINHELP", GetModuleHandleA(nullptr));
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        struct Request {
            WORD size;
            WORD command;
            LONG data;
            LONG reserved;
            WORD ofsFilename;
            WORD ofsData;
        };
        const auto* copied = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const auto* request = static_cast<const Request*>(copied->lpData);
        ++requests;
        if (request->ofsFilename != 0 && request->ofsFilename < copied->cbData) {
            const char* name = reinterpret_cast<const char*>(request) + request->ofsFilename;
            path.assign(name, strnlen(name, copied->cbData - request->ofsFilename));
        }
        return TRUE;
    }

    HWND window = nullptr;
    static int requests;
    static std::string path;
};

int HelpViewer::requests = 0;
std::string HelpViewer::path;

void setIdentity(ApplicationBase& application, const std::string& directory, const char* name) {
    std::strcpy(application.moduleDir, directory.c_str());
    std::strcpy(application.moduleName, name);
}

TEST(HelpRequest, HandsTheViewerThePathAndSecondaryWindow) {
    HelpViewer viewer;
    ASSERT_NE(viewer.window, nullptr);
    ApplicationBase application;
    setIdentity(application, "C:\\Tools", "Sonorix");
    EXPECT_TRUE(application.winHelp(nullptr, HELP_QUIT, 0, "main"));
    EXPECT_EQ(HelpViewer::requests, 1);
    EXPECT_EQ(HelpViewer::path, "C:\\Tools\\Sonorix.hlp>main");
    EXPECT_TRUE(application.winHelp(nullptr, HELP_QUIT, 0, nullptr));
    EXPECT_EQ(HelpViewer::requests, 2);
    EXPECT_EQ(HelpViewer::path, "C:\\Tools\\Sonorix.hlp");
}

TEST(HelpRequest, PathThatDoesNotFitIsFalseAndNeverReachesTheViewer) {
    HelpViewer viewer;
    ASSERT_NE(viewer.window, nullptr);
    ApplicationBase application;
    setIdentity(application, std::string(260, 'd'), "S");
    EXPECT_FALSE(application.winHelp(nullptr, HELP_QUIT, 0, std::string(60, 'w').c_str()));
    EXPECT_EQ(HelpViewer::requests, 0);
    EXPECT_TRUE(application.winHelp(nullptr, HELP_QUIT, 0, std::string(50, 'w').c_str()));
    EXPECT_EQ(HelpViewer::requests, 1);
}

} // namespace

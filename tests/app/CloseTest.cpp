#include <gtest/gtest.h>

#include <functional>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

struct CloseWay {
    const char* what;
    std::function<void(const SonorixProcess&)> close;
};

const CloseWay closeWays[] = {
    {"Exit command", [](const SonorixProcess& p) { p.postCommand(40002); }},
    {"close box",
     [](const SonorixProcess& p) { PostMessageA(p.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"session end query",
     [](const SonorixProcess& p) {
         DWORD_PTR answer = 0;
         SendMessageTimeoutA(p.mainWindow, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000,
                             &answer);
     }},
};

// Sets up the application key under both roots with something below it.
void createAppKeys() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ASSERT_TRUE(createKey(root, std::string(appKeyPath) + "\\Below"));
        ASSERT_TRUE(setDword(root, appKeyPath, "MainWindowPos.bmaximized", 0));
    }
}

void removeAppKeys() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        removeKeyTree(root, appKeyPath);
    }
}

void expectCleanExit(SonorixProcess& process) {
    DWORD exitCode = 12345;
    ASSERT_TRUE(process.waitExit(&exitCode)) << "the program did not end";
    EXPECT_EQ(0u, exitCode);
}

TEST(Close, EveryWayOfClosingRunsTheUserKeyCleanUpAtExit) {
    for (const CloseWay& way : closeWays) {
        SCOPED_TRACE(way.what);
        createAppKeys();
        // Only the parents that the deletion leaves empty go with it.
        bool halvaneHoldsOthers = subkeyCount(HKEY_CURRENT_USER, "Software\\Halvane") > 1;
        SonorixProcess process;
        ASSERT_TRUE(process.start("/deluser"));
        ASSERT_TRUE(process.waitMainWindow());
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appKeyPath)) << "deleted at start, not at exit";
        way.close(process);
        expectCleanExit(process);
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, appKeyPath));
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Halvane\\Sonorix"));
        if (!halvaneHoldsOthers) {
            EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Halvane"));
        }
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, appKeyPath)) << "/delinfo was not given";
        removeAppKeys();
    }
}

TEST(Close, DelinfoDeletesTheMachineKeyOnly) {
    createAppKeys();
    SonorixProcess process;
    ASSERT_TRUE(process.start("-DELINFO"));
    ASSERT_TRUE(process.waitMainWindow());
    process.postCommand(40002);
    expectCleanExit(process);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, appKeyPath));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appKeyPath));
    removeAppKeys();
}

TEST(Close, OptionWithTextAfterItsNameDeletesNothing) {
    createAppKeys();
    SonorixProcess process;
    ASSERT_TRUE(process.start("/deluser=1 /delinfo2"));
    ASSERT_TRUE(process.waitMainWindow());
    PostMessageA(process.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectCleanExit(process);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appKeyPath));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, appKeyPath));
    removeAppKeys();
}

TEST(Close, WithoutOptionsTheKeysStay) {
    createAppKeys();
    SonorixProcess process;
    ASSERT_TRUE(process.start("tone.wav"));
    ASSERT_TRUE(process.waitMainWindow());
    process.postCommand(40002);
    expectCleanExit(process);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, std::string(appKeyPath) + "\\Below"));
    removeAppKeys();
}

// Enter and Esc come through the dialog manager as IDOK and IDCANCEL. A Run
// posted behind them proves they were handled while the window stayed.
TEST(Close, EnterAndEscDoNothing) {
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    HWND edit = GetDlgItem(process.mainWindow, 1003);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageA(edit, WM_KEYDOWN, key, 1);
        PostMessageA(edit, WM_KEYUP, key, 0xC0000001);
    }
    process.postCommand(IDOK);
    process.postCommand(IDCANCEL);
    ASSERT_TRUE(process.setFileName("Z:\\no such folder\\none.wav"));
    process.postCommand(1001);
    EXPECT_EQ(ansi(u8"ファイルエラーが起こりました"), process.takeMessageBox());
    EXPECT_TRUE(process.running());
    EXPECT_TRUE(IsWindowVisible(process.mainWindow));
    EXPECT_EQ("Z:\\no such folder\\none.wav", process.fileName());
}

TEST(Close, SuspendQueryIsAllowedAndTheWindowStays) {
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    DWORD_PTR answer = 0;
    ASSERT_NE(0, SendMessageTimeoutA(process.mainWindow, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0,
                                     SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), answer);
    EXPECT_TRUE(process.running());
}

} // namespace

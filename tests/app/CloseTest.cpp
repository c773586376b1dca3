#include <gtest/gtest.h>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

// Each way of closing the window as a message posted to it; the session-end
// query is sent, as Windows does, and must be answered 1 (the session may end)
// with the clean-up done by then.
struct ExitCase {
    const char* arguments;
    UINT message;
    WPARAM command;
    bool userKeyGone;
    bool machineKeyGone;
};

const ExitCase exitCases[] = {
    {"/deluser", WM_COMMAND, 40002, true, false},
    {"/deluser", WM_SYSCOMMAND, SC_CLOSE, true, false},
    {"/deluser /delinfo", WM_QUERYENDSESSION, 0, true, true},
    {"-DELINFO", WM_COMMAND, 40002, false, true},
    {"/deluser=1 /delinfo2", WM_SYSCOMMAND, SC_CLOSE, false, false},
    {"tone.wav", WM_COMMAND, 40002, false, false},
};

TEST(Exit, EveryWayOfClosingEndsCleanlyDeletingOnlyTheKeysTheOptionsName) {
    // Japanese names take more ANSI bytes than UTF-16 characters.
    const std::string below = appKeyPath + ansi(u8"\\設定\\録音ソ表");
    for (const ExitCase& c : exitCases) {
        SCOPED_TRACE(std::string(c.arguments) + ", message " + std::to_string(c.message));
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ASSERT_TRUE(createKey(root, below));
            ASSERT_TRUE(createKey(root, appKeyPath, "MainWindowPos.bmaximized", 0));
        }
        // Only the parents that the deletion leaves empty go with it.
        bool halvaneHoldsOthers = subkeyCount(HKEY_CURRENT_USER, "Software\\Halvane") > 1;
        SonorixProcess process;
        ASSERT_TRUE(process.start(c.arguments));
        ASSERT_TRUE(process.waitMainWindow());
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appKeyPath)) << "deleted at start, not at exit";
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, appKeyPath)) << "deleted at start, not at exit";
        if (c.message == WM_QUERYENDSESSION) {
            DWORD_PTR answer = 0;
            EXPECT_NE(0, SendMessageTimeoutA(process.mainWindow, c.message, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
            EXPECT_EQ(1u, answer);
            EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, appKeyPath)) << "not cleaned up before the answer";
        } else {
            PostMessageA(process.mainWindow, c.message, c.command, 0);
        }
        DWORD exitCode = 12345;
        ASSERT_TRUE(process.waitExit(&exitCode)) << "the program did not end";
        EXPECT_EQ(0u, exitCode);
        EXPECT_NE(c.userKeyGone, keyExists(HKEY_CURRENT_USER, c.userKeyGone ? "Software\\Halvane\\Sonorix" : below));
        EXPECT_TRUE(!c.userKeyGone || halvaneHoldsOthers || !keyExists(HKEY_CURRENT_USER, "Software\\Halvane"));
        EXPECT_NE(c.machineKeyGone, keyExists(HKEY_LOCAL_MACHINE, c.machineKeyGone ? appKeyPath : below));
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            removeKeyTree(root, appKeyPath);
        }
    }
}

struct MainWindow : StartedSonorix {};

// Enter and Esc come through the dialog manager as IDOK and IDCANCEL. A Run
// posted behind them proves they were handled while the window stayed.
TEST_F(MainWindow, StaysOpenOnEnterEscAndASuspendQuery) {
    DWORD_PTR answer = 0;
    ASSERT_NE(0,
        SendMessageTimeoutA(process.mainWindow, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0, SMTO_ABORTIFHUNG, 5000,
            &answer));
    EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), answer) << "suspending is allowed";
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

} // namespace

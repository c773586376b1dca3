#include <gtest/gtest.h>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

BOOL CALLBACK findVisibleEdit(HWND child, LPARAM found) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Edit") == 0 && IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// The file dialog's one visible edit field: the file name.
HWND fileNameField(HWND dialog) {
    HWND field = nullptr;
    EnumChildWindows(dialog, findVisibleEdit, reinterpret_cast<LPARAM>(&field));
    return field;
}

struct Browse : StartedSonorix {};

// The check box is unticked after start, so since the last pull: choosing a
// file pushes the fields and ticks it again; cancelling changes nothing.
TEST_F(Browse, ChoosingAFileFillsTheFieldAndResetsTheCheckBoxCancellingChangesNothing) {
    const std::string chosen = scratchFolder("browse") + "\\chosen.wav";
    ASSERT_TRUE(writeFile(chosen, waveBytes(HeaderFields(), 100)));
    for (bool choose : {false, true}) {
        SCOPED_TRACE(choose ? "chosen" : "cancelled");
        ASSERT_TRUE(process.setFileName("typed before.wav"));
        process.setKeepTime(false);
        process.postCommand(1004);
        HWND dialog = process.waitDialog("", 30000);
        ASSERT_NE(nullptr, dialog) << "no file dialog appeared";
        EXPECT_FALSE(IsWindowEnabled(process.mainWindow));
        if (choose) {
            HWND field = fileNameField(dialog);
            ASSERT_NE(nullptr, field);
            char shown[16] = "?";
            SendMessageTimeoutA(field, WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown), SMTO_ABORTIFHUNG,
                5000, nullptr);
            EXPECT_STREQ("", shown) << "the dialog opens with an empty name";
            SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()), SMTO_ABORTIFHUNG, 5000,
                nullptr);
        }
        PostMessageA(dialog, WM_COMMAND, choose ? IDOK : IDCANCEL, 0);
        ASSERT_TRUE(process.waitGone(dialog));
        EXPECT_EQ(nullptr, process.waitMessageBox(500)) << "not an error";
        EXPECT_EQ(choose ? chosen : "typed before.wav", process.fileName());
        EXPECT_EQ(choose, process.keepTimeTicked());
    }
}

} // namespace

#include <gtest/gtest.h>

#include "SonorixProcess.h"

namespace {

struct Browse : StartedSonorix {};

TEST_F(Browse, CancelLeavesNameAndCheckBoxAsTheyWere) {
    ASSERT_TRUE(process.setFileName("typed before.wav"));
    // Unticked since the last pull: a push of the fields would tick it again.
    process.setKeepTime(false);
    process.postCommand(1004);
    HWND dialog = process.waitDialog("", 30000);
    ASSERT_NE(nullptr, dialog) << "no file dialog appeared";
    EXPECT_FALSE(IsWindowEnabled(process.mainWindow));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(process.waitGone(dialog));
    EXPECT_EQ(nullptr, process.waitMessageBox(500)) << "cancelling is not an error";
    EXPECT_EQ("typed before.wav", process.fileName());
    EXPECT_FALSE(process.keepTimeTicked());
}

} // namespace

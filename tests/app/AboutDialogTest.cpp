#include <gtest/gtest.h>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

struct AboutDialog : StartedSonorix {};

TEST_F(AboutDialog, ShowsVersionAndCopyrightAndClosesWithOkOrEsc) {
    // Opened twice: each showing is a dialog of its own.
    for (int closeWith : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(closeWith);
        process.postCommand(40001);
        HWND about = process.waitDialog(ansi(u8"バージョン情報"));
        ASSERT_NE(nullptr, about);
        EXPECT_EQ("Sonorix version 1.01\nCopyright (C) 2026 the Sonorix authors", controlText(about, 1000));
        EXPECT_FALSE(IsWindowEnabled(process.mainWindow)) << "the About box is not modal";
        PostMessageA(about, WM_COMMAND, closeWith, 0);
        EXPECT_TRUE(process.waitGone(about));
        EXPECT_TRUE(IsWindowEnabled(process.mainWindow));
        EXPECT_TRUE(process.running());
    }
}

} // namespace

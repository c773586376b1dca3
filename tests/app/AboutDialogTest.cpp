#include <gtest/gtest.h>

#include <vector>

#include "SonorixProcess.h"
#include "TestFiles.h"

namespace {

// LegalCopyright as the executable's own version block holds it; empty when absent.
std::string legalCopyright() {
    std::string exe = sonorixPath();
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    void* value = nullptr;
    UINT length = 0;
    if (block.empty() || !GetFileVersionInfoA(exe.c_str(), 0, block.size(), block.data()) ||
        !VerQueryValueA(block.data(), "\\StringFileInfo\\041104b0\\LegalCopyright", &value,
                        &length) ||
        length == 0) {
        return std::string();
    }
    return static_cast<const char*>(value);
}

struct AboutDialog : StartedSonorix {};

TEST_F(AboutDialog, ShowsVersionAndCopyrightAndClosesWithOkOrEsc) {
    std::string copyright = legalCopyright();
    ASSERT_FALSE(copyright.empty()) << "no LegalCopyright in the version block";
    // Opened twice: each showing is a dialog of its own.
    for (int closeWith : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(closeWith);
        process.postCommand(40001);
        HWND about = process.waitDialog(ansi(u8"バージョン情報"));
        ASSERT_NE(nullptr, about);
        EXPECT_EQ("Sonorix version 1.01\n" + copyright, controlText(about, 1000));
        EXPECT_FALSE(IsWindowEnabled(process.mainWindow)) << "the About box is not modal";
        PostMessageA(about, WM_COMMAND, closeWith, 0);
        EXPECT_TRUE(process.waitGone(about));
        EXPECT_TRUE(IsWindowEnabled(process.mainWindow));
        EXPECT_TRUE(process.running());
    }
}

} // namespace

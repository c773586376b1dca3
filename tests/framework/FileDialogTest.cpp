#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "AnsiText.h"
#include "BoxWatcher.h"
#include "FileDialog.h"
#include "FrameworkFixture.h"
#include "QuitTimer.h"

namespace {

class FileDialogTest : public FrameworkFixture {};

TEST_F(FileDialogTest, PreparedRequestHoldsTheFiveMembersAndZeroElsewhere) {
    OPENFILENAMEA request;
    std::memset(&request, 0xAB, sizeof request);
    char buffer[260] = "take.wav";
    const HWND owner = reinterpret_cast<HWND>(0x4242);
    initFileDialog(request, owner, buffer, sizeof buffer);

    OPENFILENAMEA expected;
    std::memset(&expected, 0, sizeof expected);
    // The structure without the three members of later Windows versions: 76
    // bytes in 32-bit code, 136 in 64-bit code.
    expected.lStructSize = sizeof(void*) == 4 ? 76 : 136;
    expected.hwndOwner = owner;
    expected.lpstrFile = buffer;
    expected.nMaxFile = sizeof buffer;
    expected.Flags = OFN_EXPLORER;
    EXPECT_EQ(std::memcmp(&request, &expected, sizeof request), 0);
    EXPECT_EQ(request.lStructSize, expected.lStructSize);
    EXPECT_STREQ(buffer, "take.wav");
}

int hookCalls = 0;

UINT_PTR CALLBACK countingHook(HWND, UINT, WPARAM, LPARAM) {
    ++hookCalls;
    return 0;
}

TEST_F(FileDialogTest, CancelYieldsCancelledAPlainDialogAndNoErrorCode) {
    for (bool save : {false, true}) {
        SCOPED_TRACE(save ? "save" : "open");
        char buffer[260] = "start.wav";
        OPENFILENAMEA request;
        initFileDialog(request, nullptr, buffer, sizeof buffer);
        request.Flags |=
            OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        request.lpfnHook = countingHook;
        request.hInstance = GetModuleHandleA(nullptr);
        request.lpTemplateName = "NOTEMPLATE";
        hookCalls = 0;
        DWORD errorCode = 0xDEADBEEF;

        QuitTimer watchdog(30000);
        BoxWatcher watcher(IDCANCEL, 20000);
        EXPECT_EQ(runFileDialog(request, &errorCode, save), Cancelled);
        EXPECT_TRUE(watcher.result().found);
        EXPECT_FALSE(watchdog.fired());

        EXPECT_EQ(errorCode, 0xDEADBEEFu);
        EXPECT_EQ(hookCalls, 0);
        // The dialog may add bits of its own on return (Wine adds sizing and path checks).
        const DWORD kept = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        EXPECT_EQ(request.Flags & kept, kept);
        EXPECT_EQ(request.Flags & (OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE), 0u);
        EXPECT_EQ(request.lpfnHook, nullptr);
        EXPECT_EQ(request.hInstance, nullptr);
        EXPECT_EQ(request.lpTemplateName, nullptr);
        EXPECT_STREQ(buffer, "start.wav");
    }
}

TEST_F(FileDialogTest, ExtendedErrorYieldsFailedAndItsCode) {
    const struct {
        bool save;
        bool withErrorCode;
    } cases[] = {{false, true}, {true, true}, {false, false}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "save " << sample.save << " out parameter " << sample.withErrorCode);
        char buffer[260] = "";
        OPENFILENAMEA request;
        initFileDialog(request, nullptr, buffer, sizeof buffer);
        request.lStructSize = 12;
        DWORD errorCode = 0;
        QuitTimer watchdog;
        BoxWatcher watcher(IDCANCEL, 1500);
        EXPECT_EQ(runFileDialog(request, sample.withErrorCode ? &errorCode : nullptr, sample.save), Failed);
        EXPECT_FALSE(watcher.result().found);
        EXPECT_EQ(errorCode, sample.withErrorCode ? static_cast<DWORD>(CDERR_STRUCTSIZE) : 0u);
    }
}

// The box goes to the given owner, else to the main window.
TEST_F(FileDialogTest, CommonDialogErrorShowsTheCodeInTheApplicationsBox) {
    const HWND main = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
        GetModuleHandleA(nullptr), nullptr);
    const HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
        GetModuleHandleA(nullptr), nullptr);
    application.mainWindow = main;
    const struct {
        HWND owner;
        DWORD code;
        const char* text; // UTF-8
    } cases[] = {{nullptr, CDERR_STRUCTSIZE, "コモンダイアログのエラーです (0x00000001)"},
        {other, FNERR_BUFFERTOOSMALL, "コモンダイアログのエラーです (0x00003003)"},
        {other, 0xABCDEF12, "コモンダイアログのエラーです (0xABCDEF12)"}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(sample.text);
        QuitTimer watchdog;
        BoxWatcher watcher;
        showCommonDialogError(sample.owner, sample.code);
        const SeenBox box = watcher.result();
        EXPECT_FALSE(watchdog.fired());
        ASSERT_TRUE(box.found);
        EXPECT_EQ(box.text, ansiText(sample.text));
        EXPECT_EQ(box.caption, std::string(application.title()));
        EXPECT_EQ(box.owner, sample.owner != nullptr ? other : main);
        EXPECT_EQ(box.icon, BoxIcon::Error);
    }
    application.mainWindow = nullptr;
    DestroyWindow(other);
    DestroyWindow(main);
}

} // namespace

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Application.h"
#include "MessageBoxReader.h"

namespace {

const char titleText[] = "\x83\x65\x83X\x83g\x95\x5C";

// Every default caption goes through the virtual title.
class TitledApplication : public Application {
public:
    TitledApplication() : Application(GetModuleHandleA(nullptr), false) {}
    const char* title() const override { return titleText; }
};

TEST(MessageBoxes, MissingStringShowsAnEmptyTextUnderTheTitle) {
    TitledApplication application;
    MessageBoxReader reader;
    EXPECT_EQ(application.messageBoxId(nullptr, 25089, nullptr, MB_OK | MB_ICONINFORMATION), IDOK);
    ASSERT_TRUE(reader.finish());
    EXPECT_EQ(reader.caption, titleText);
    EXPECT_TRUE(reader.hasTextControl);
    EXPECT_EQ(reader.text, "");
}

TEST(MessageBoxes, StringIdShowsTheLoadedText) {
    TitledApplication application;
    MessageBoxReader reader;
    EXPECT_EQ(application.messageBoxId(nullptr, 25088, "caption", MB_OK), IDOK);
    ASSERT_TRUE(reader.finish());
    EXPECT_EQ(reader.caption, "caption");
    EXPECT_EQ(reader.text, "\x90\xE6\x93\xAA");
}

TEST(MessageBoxes, NullOwnerBecomesTheMainWindow) {
    TitledApplication application;
    const HWND window = CreateWindowA("STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ApplicationBase::setMainWindow(window);
    EXPECT_EQ(application.mainWindow, window);
    MessageBoxReader reader;
    EXPECT_EQ(application.messageBox(nullptr, "\x96\x7B\x95\xB6", nullptr, MB_OK), IDOK);
    ASSERT_TRUE(reader.finish());
    EXPECT_EQ(reader.caption, titleText);
    EXPECT_EQ(reader.owner, window);
    EXPECT_EQ(reader.text, "\x96\x7B\x95\xB6");
    DestroyWindow(window);
}

TEST(Application, PublishedUntilDestroyed) {
    {
        Application application(GetModuleHandleA(nullptr), true);
        EXPECT_EQ(currentApplication, &application);
        EXPECT_EQ(application.instance, GetModuleHandleA(nullptr));
        EXPECT_EQ(application.mainWindow, nullptr);
        EXPECT_TRUE(application.loops.empty());
        EXPECT_TRUE(TryEnterCriticalSection(&application.loopLock));
        LeaveCriticalSection(&application.loopLock);
    }
    EXPECT_EQ(currentApplication, nullptr);
}

TEST(Application, BaseAloneHasNoInstanceAndTitlesWithTheModuleName) {
    const ApplicationBase base;
    EXPECT_EQ(base.instance, nullptr);
    EXPECT_EQ(base.productName, nullptr);
    EXPECT_STREQ(base.title(), "framework_application_tests");
    EXPECT_NE(base.commandLine.buffer, nullptr);
}

} // namespace

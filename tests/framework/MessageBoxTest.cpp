#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
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

TEST(MessageBoxes, ShowTheTextUnderTheCaptionOrTheTitleOwnedByTheMainWindow) {
    TitledApplication application;
    const HWND window =
        CreateWindowA("STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ApplicationBase::setMainWindow(window);
    EXPECT_EQ(application.mainWindow, window);
    const char body[] = "\x96\x7B\x95\xB6";
    struct Case {
        std::function<int()> show;
        const char* caption;
        const char* text;
        BoxIcon icon;
    };
    const Case cases[] = {
        {[&] { return application.messageBoxId(nullptr, 25089, nullptr, MB_OK | MB_ICONINFORMATION); }, titleText, "",
            BoxIcon::Information},
        {[&] { return application.messageBoxId(nullptr, 25088, "caption", MB_OK); }, "caption", "\x90\xE6\x93\xAA",
            BoxIcon::None},
        {[&] { return application.messageBox(nullptr, body, nullptr, MB_ICONERROR); }, titleText, body, BoxIcon::Error},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.text);
        const MessageBoxSeen box = readMessageBox(entry.show);
        EXPECT_EQ(box.result, IDOK);
        EXPECT_TRUE(box.found);
        EXPECT_TRUE(box.hasTextControl);
        EXPECT_EQ(box.caption, entry.caption);
        EXPECT_EQ(box.text, entry.text);
        EXPECT_EQ(box.owner, window);
        EXPECT_EQ(box.icon, entry.icon);
    }
    DestroyWindow(window);
}

TEST(Application, PublishedUntilDestroyed) {
    {
        Application application(GetModuleHandleA(nullptr), true);
        EXPECT_EQ(currentApplication, &application);
        EXPECT_EQ(application.instance, GetModuleHandleA(nullptr));
    }
    EXPECT_EQ(currentApplication, nullptr);
}

TEST(Application, BaseAloneTitlesWithTheModuleNameAndHoldsTheCommandLine) {
    const ApplicationBase base;
    EXPECT_STREQ(base.title(), "framework_application_tests");
    EXPECT_NE(base.commandLine.buffer, nullptr);
}

} // namespace

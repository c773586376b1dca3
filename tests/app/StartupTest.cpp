#include <gtest/gtest.h>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

TEST(Startup, WithoutArgumentsTheFieldIsEmptyAndKeepTimeTicked) {
    removeKeyTree(HKEY_CURRENT_USER, appKeyPath);
    SonorixProcess process;
    ASSERT_TRUE(process.start(""));
    ASSERT_TRUE(process.waitMainWindow());
    EXPECT_EQ("", process.fileName());
    EXPECT_TRUE(process.keepTimeTicked());
    EXPECT_FALSE(IsIconic(process.mainWindow));
}

TEST(Startup, OptionIsSkippedAndQuotedPathWithBlankIsSeeded) {
    std::string folder = scratchFolder("seed");
    CreateDirectoryA((folder + "\\with blank").c_str(), nullptr);
    std::string path = folder + "\\with blank\\tone.wav";
    ASSERT_TRUE(writeFile(path, waveBytes(HeaderFields(), 400)));
    SonorixProcess process;
    ASSERT_TRUE(process.start("/delinfo \"" + path + "\""));
    ASSERT_TRUE(process.waitMainWindow());
    EXPECT_EQ(path, process.fileName());
    // The seeded name reaches the repair once Run pulls the field.
    process.postCommand(1001);
    EXPECT_EQ(ansi(u8"正常に処理しました"), process.takeMessageBox());
}

TEST(Startup, ArgumentTooLongForTheFieldIsSkippedForTheNextOne) {
    std::string tooLong = "C:\\" + std::string(257, 'a');  // 260 bytes, one too many
    SonorixProcess process;
    ASSERT_TRUE(process.start("-deluser=1 " + tooLong + " second.wav third.wav"));
    ASSERT_TRUE(process.waitMainWindow());
    EXPECT_EQ("second.wav", process.fileName());
}

TEST(Startup, ArgumentThatJustFitsIsSeeded) {
    std::string fits = "C:\\" + std::string(256, 'b');  // 259 bytes
    SonorixProcess process;
    ASSERT_TRUE(process.start("\"" + fits + "\""));
    ASSERT_TRUE(process.waitMainWindow());
    EXPECT_EQ(fits, process.fileName());
}

TEST(Startup, JapanesePathIsSeededWhole) {
    std::string path = ansi(u8"C:\\録音\\ソナー表示.wav");
    SonorixProcess process;
    ASSERT_TRUE(process.start(path));
    ASSERT_TRUE(process.waitMainWindow());
    EXPECT_EQ(path, process.fileName());
}

TEST(Startup, MinimizedOrMaximizedStartStillShowsTheNormalWindow) {
    for (int show : {SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE}) {
        SCOPED_TRACE(show);
        SonorixProcess process;
        ASSERT_TRUE(process.start("", show));
        ASSERT_TRUE(process.waitMainWindow());
        EXPECT_FALSE(IsIconic(process.mainWindow));
        EXPECT_FALSE(IsZoomed(process.mainWindow));
    }
}

struct Placement {
    const char* what;
    RECT stored;
    bool honoured;
};

// The virtual screen is at least 640 x 480.
const Placement placements[] = {
    {"wholly on the screen", {40, 30, 400, 250}, true},
    {"mostly on the screen", {-100, 50, 300, 250}, true},
    {"far off the screen", {5000, 5000, 5300, 5200}, false},
    {"only a sliver on the screen", {-380, 10, 20, 250}, false},
};

TEST(Startup, StoredPlacementIsHonouredOnlyWhenOnTheScreen) {
    for (const Placement& p : placements) {
        SCOPED_TRACE(p.what);
        removeKeyTree(HKEY_CURRENT_USER, appKeyPath);
        ASSERT_TRUE(setDword(HKEY_CURRENT_USER, appKeyPath, "MainWindowPos.bmaximized", 0));
        ASSERT_TRUE(setDword(HKEY_CURRENT_USER, appKeyPath, "MainWindowPos.left", p.stored.left));
        ASSERT_TRUE(setDword(HKEY_CURRENT_USER, appKeyPath, "MainWindowPos.top", p.stored.top));
        ASSERT_TRUE(setDword(HKEY_CURRENT_USER, appKeyPath, "MainWindowPos.right", p.stored.right));
        ASSERT_TRUE(
            setDword(HKEY_CURRENT_USER, appKeyPath, "MainWindowPos.bottom", p.stored.bottom));
        SonorixProcess process;
        ASSERT_TRUE(process.start(""));
        ASSERT_TRUE(process.waitMainWindow());
        RECT actual{};
        ASSERT_TRUE(GetWindowRect(process.mainWindow, &actual));
        bool same = EqualRect(&actual, &p.stored) != FALSE;
        EXPECT_EQ(p.honoured, same) << actual.left << "," << actual.top << "," << actual.right
                                    << "," << actual.bottom;
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appKeyPath)) << "the key is only read";
    }
    removeKeyTree(HKEY_CURRENT_USER, appKeyPath);
}

TEST(Startup, SecondInstanceRunsIndependently) {
    SonorixProcess first;
    SonorixProcess second;
    ASSERT_TRUE(first.start("one.wav"));
    ASSERT_TRUE(first.waitMainWindow());
    ASSERT_TRUE(second.start("two.wav"));
    ASSERT_TRUE(second.waitMainWindow());
    EXPECT_NE(first.mainWindow, second.mainWindow);
    EXPECT_EQ("one.wav", first.fileName());
    EXPECT_EQ("two.wav", second.fileName());
}

} // namespace

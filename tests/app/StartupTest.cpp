#include <gtest/gtest.h>

#include "SonorixProcess.h"
#include "TestFiles.h"
#include "TestRegistry.h"

namespace {

struct StartCase {
    std::string arguments;
    int showCommand;
    std::string seeded;
};

TEST(Startup, SeedsTheFirstArgumentThatFitsAndShowsTheNormalWindow) {
    removeKeyTree(HKEY_CURRENT_USER, appKeyPath);
    std::string folder = scratchFolder("seed");
    CreateDirectoryA((folder + "\\with blank").c_str(), nullptr);
    std::string blank = folder + "\\with blank\\tone.wav";
    ASSERT_TRUE(writeFile(blank, waveBytes(HeaderFields(), 400)));
    std::string fits = "C:\\" + std::string(256, 'b'); // 259 bytes; one more is too many
    std::string japanese = ansi(u8"C:\\録音\\ソナー表示.wav");
    // The backquote is never closed: its byte ends "チ" as a trail byte.
    std::string unclosed = ansi(u8"`C:\\wav\\ベンチ");
    const StartCase cases[] = {
        {"/delinfo \"" + blank + "\"", -1, blank},
        {"", -1, ""},
        {"-deluser=1 " + fits + "a second.wav third.wav", -1, "second.wav"},
        {"\"" + fits + "\"", -1, fits},
        {japanese, -1, japanese},
        {unclosed, -1, unclosed},
        {"", SW_SHOWMINIMIZED, ""},
        {"", SW_SHOWMAXIMIZED, ""},
        {"", SW_SHOWMINNOACTIVE, ""},
    };
    // All stay open together: every instance runs on its own.
    SonorixProcess processes[sizeof cases / sizeof cases[0]];
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(cases[i].arguments + " shown " + std::to_string(cases[i].showCommand));
        ASSERT_TRUE(processes[i].start(cases[i].arguments, cases[i].showCommand));
        ASSERT_TRUE(processes[i].waitMainWindow());
        EXPECT_TRUE(processes[i].keepTimeTicked());
        EXPECT_FALSE(IsIconic(processes[i].mainWindow));
        EXPECT_FALSE(IsZoomed(processes[i].mainWindow));
    }
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        EXPECT_EQ(cases[i].seeded, processes[i].fileName());
    }
    // The seeded name reaches the repair once Run pulls the field.
    processes[0].postCommand(1001);
    EXPECT_EQ(ansi(u8"正常に処理しました"), processes[0].takeMessageBox());
}

struct Placement {
    const char* what;
    RECT stored;
    bool honoured;
};

TEST(Startup, StoredPlacementIsHonouredOnlyWhenOnTheScreen) {
    // The virtual screen is at least 640 x 480.
    const Placement placements[] = {
        {"wholly on the screen", {40, 30, 400, 250}, true},
        {"mostly on the screen", {-100, 50, 300, 250}, true},
        {"far off the screen", {5000, 5000, 5300, 5200}, false},
        {"only a sliver on the screen", {-380, 10, 20, 250}, false},
    };
    for (const Placement& p : placements) {
        SCOPED_TRACE(p.what);
        removeKeyTree(HKEY_CURRENT_USER, appKeyPath);
        const LONG values[] = {0, p.stored.left, p.stored.top, p.stored.right, p.stored.bottom};
        const char* const names[] = {"bmaximized", "left", "top", "right", "bottom"};
        for (int i = 0; i < 5; ++i) {
            std::string name = std::string("MainWindowPos.") + names[i];
            ASSERT_TRUE(createKey(HKEY_CURRENT_USER, appKeyPath, name.c_str(), values[i]));
        }
        SonorixProcess process;
        ASSERT_TRUE(process.start(""));
        ASSERT_TRUE(process.waitMainWindow());
        RECT actual{};
        ASSERT_TRUE(GetWindowRect(process.mainWindow, &actual));
        EXPECT_EQ(p.honoured, EqualRect(&actual, &p.stored) != FALSE)
            << actual.left << "," << actual.top << "," << actual.right << "," << actual.bottom;
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, appKeyPath)) << "the key is only read";
    }
    removeKeyTree(HKEY_CURRENT_USER, appKeyPath);
}

} // namespace

#include "Registry.h"
#include "ScratchRegistryKey.h"
#include "WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

// A top-level window whose placement the tests restore; a plain popup, so that
// Wine does not wait for a window manager to map it.
class RestorePlacement : public testing::Test {
protected:
    void SetUp() override {
        window = CreateWindowExA(0, "STATIC", "placement", WS_POPUP, 30, 40, 200, 150,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        before = normalPosition();
    }

    void TearDown() override {
        if (key != nullptr) {
            closeKey(key);
        }
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }

    void store(const RECT& rect, DWORD maximized) {
        ASSERT_TRUE(scratch.setDword("", "MainWindowPos.bmaximized", maximized));
        ASSERT_TRUE(scratch.setDword("", "MainWindowPos.left", static_cast<DWORD>(rect.left)));
        ASSERT_TRUE(scratch.setDword("", "MainWindowPos.top", static_cast<DWORD>(rect.top)));
        ASSERT_TRUE(scratch.setDword("", "MainWindowPos.right", static_cast<DWORD>(rect.right)));
        ASSERT_TRUE(scratch.setDword("", "MainWindowPos.bottom", static_cast<DWORD>(rect.bottom)));
    }

    void openScratch() {
        key = openKey(HKEY_CURRENT_USER, scratch.path().c_str());
        ASSERT_NE(key, nullptr);
    }

    RECT normalPosition() const {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        return placement.rcNormalPosition;
    }

    static bool same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

    ScratchRegistryKey scratch{"placement"};
    HWND window = nullptr;
    HKEY key = nullptr;
    RECT before = {};
};

}  // namespace

TEST_F(RestorePlacement, movesTheWindowToAStoredRectOnTheScreen) {
    const RECT stored = {12, 14, 312, 214};
    store(stored, 0);
    openScratch();
    int show = SW_SHOWNORMAL;
    EXPECT_TRUE(restoreWindowPlacement(window, &show, key));
    EXPECT_TRUE(same(normalPosition(), stored));
    EXPECT_EQ(show, SW_SHOWNORMAL);
}

TEST_F(RestorePlacement, keepsThePositionForARectOffTheScreen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    store({width + 10, 0, width + 300, 200}, 0);
    openScratch();
    int show = SW_SHOW;
    EXPECT_TRUE(restoreWindowPlacement(window, &show, key));
    EXPECT_TRUE(same(normalPosition(), before));
}

TEST_F(RestorePlacement, turnsTheShowCommandToMaximizedWhenStoredSo) {
    store({12, 14, 312, 214}, 1);
    openScratch();
    int show = SW_SHOWDEFAULT;
    EXPECT_TRUE(restoreWindowPlacement(window, &show, key));
    EXPECT_EQ(show, SW_SHOWMAXIMIZED);
}

TEST_F(RestorePlacement, aMaximizedFlagStoredAsTextCountsAsAbsent) {
    store({12, 14, 312, 214}, 0);
    ASSERT_TRUE(scratch.setString("", "MainWindowPos.bmaximized", "1"));
    openScratch();
    int show = SW_SHOWNORMAL;
    EXPECT_TRUE(restoreWindowPlacement(window, &show, key));
    EXPECT_EQ(show, SW_SHOWNORMAL);
}

TEST_F(RestorePlacement, missingEdgesNeverPlaceTheWindow) {
    ASSERT_TRUE(scratch.setDword("", "MainWindowPos.right", 300));
    ASSERT_TRUE(scratch.setDword("", "MainWindowPos.bottom", 200));
    openScratch();
    int show = SW_SHOWNORMAL;
    EXPECT_TRUE(restoreWindowPlacement(window, &show, key));
    EXPECT_TRUE(same(normalPosition(), before));
    EXPECT_EQ(show, SW_SHOWNORMAL);
}

TEST_F(RestorePlacement, aNullKeyChangesNothing) {
    int show = SW_SHOWNORMAL;
    EXPECT_FALSE(restoreWindowPlacement(window, &show, nullptr));
    EXPECT_EQ(show, SW_SHOWNORMAL);
    EXPECT_TRUE(same(normalPosition(), before));
}

TEST(ReadWindowPos, readsTheFiveValuesAndLeavesAbsentOnesAlone) {
    ScratchRegistryKey scratch("readpos");
    ASSERT_TRUE(scratch.setDword("", "MainWindowPos.bmaximized", 7));
    ASSERT_TRUE(scratch.setDword("", "MainWindowPos.left", static_cast<DWORD>(-20)));
    ASSERT_TRUE(scratch.setDword("", "MainWindowPos.bottom", 480));
    HKEY key = openKey(HKEY_CURRENT_USER, scratch.path().c_str());
    ASSERT_NE(key, nullptr);
    RECT rect = {1, 2, 3, 4};
    bool maximized = false;
    EXPECT_TRUE(readWindowPos(key, &rect, &maximized));
    closeKey(key);
    EXPECT_TRUE(maximized);
    EXPECT_EQ(rect.left, -20);
    EXPECT_EQ(rect.top, 2);
    EXPECT_EQ(rect.right, 3);
    EXPECT_EQ(rect.bottom, 480);
    EXPECT_FALSE(readWindowPos(nullptr, &rect, &maximized));
}

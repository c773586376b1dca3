#include "Registry.h"
#include "ScratchRegistryKey.h"
#include "WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

const char* const edgeNames[] = {"MainWindowPos.left", "MainWindowPos.top", "MainWindowPos.right",
    "MainWindowPos.bottom"};

RECT normalPosition(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return placement.rcNormalPosition;
}

} // namespace

// A plain popup, so that Wine does not wait for a window manager to map it.
TEST(RestorePlacement, movesAndMaximizesOnlyAsAWholeValidStoredPlacementSays) {
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const RECT onScreen = {12, 14, 312, 214};
    const struct {
        const char* what;
        int edges; // how many of left, top, right, bottom are stored, from the right
        RECT stored;
        DWORD maximizedType;
        int show;
        bool moved;
        int shownAs;
    } cases[] = {
        {"on the screen", 4, onScreen, REG_DWORD, SW_SHOWNORMAL, true, SW_SHOWNORMAL},
        {"off the screen", 4, {width + 10, 0, width + 300, 200}, REG_DWORD, SW_SHOW, false, SW_SHOW},
        {"maximized", 4, onScreen, REG_DWORD, SW_SHOWDEFAULT, true, SW_SHOWMAXIMIZED},
        {"maximized flag as text", 4, onScreen, REG_SZ, SW_SHOWNORMAL, true, SW_SHOWNORMAL},
        {"left and top missing", 2, onScreen, REG_NONE, SW_SHOWNORMAL, false, SW_SHOWNORMAL},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        ScratchRegistryKey scratch("placement");
        const LONG edges[] = {test.stored.left, test.stored.top, test.stored.right, test.stored.bottom};
        for (int i = 4 - test.edges; i < 4; ++i) {
            ASSERT_TRUE(scratch.setDword("", edgeNames[i], static_cast<DWORD>(edges[i])));
        }
        if (test.maximizedType == REG_DWORD) {
            ASSERT_TRUE(scratch.setDword("", "MainWindowPos.bmaximized", test.shownAs == SW_SHOWMAXIMIZED ? 1 : 0));
        } else if (test.maximizedType == REG_SZ) {
            ASSERT_TRUE(scratch.set("", "MainWindowPos.bmaximized", REG_SZ, "1", 2));
        }
        HWND window = CreateWindowExA(0, "STATIC", "placement", WS_POPUP, 30, 40, 200, 150, nullptr, nullptr,
            GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        const RECT before = normalPosition(window);
        HKEY key = openKey(HKEY_CURRENT_USER, scratch.path().c_str());
        int show = test.show;
        EXPECT_TRUE(restoreWindowPlacement(window, &show, key));
        const RECT after = normalPosition(window);
        EXPECT_TRUE(EqualRect(&after, test.moved ? &test.stored : &before));
        EXPECT_EQ(show, test.shownAs);
        show = SW_SHOWNORMAL;
        EXPECT_FALSE(restoreWindowPlacement(window, &show, nullptr)) << "a null key";
        EXPECT_EQ(show, SW_SHOWNORMAL);
        const RECT unchanged = normalPosition(window);
        EXPECT_TRUE(EqualRect(&unchanged, &after));
        closeKey(key);
        DestroyWindow(window);
    }
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

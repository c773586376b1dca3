#include "WindowPlacement.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const RECT screen = {0, 0, 1024, 768};

struct PlacementCase {
    const char* what;
    RECT stored;
    bool used;
};

const PlacementCase placementCases[] = {
    {"wholly on screen", {100, 100, 500, 400}, true},
    {"small and wholly on screen", {10, 10, 40, 30}, true},
    {"exactly the screen", {0, 0, 1024, 768}, true},
    {"81 by 81 visible at the right bottom", {943, 687, 1243, 987}, true},
    {"80 wide visible at the right", {944, 100, 1244, 400}, false},
    {"80 high visible at the bottom", {100, 688, 400, 988}, false},
    {"81 by 81 visible at the left top", {-219, -219, 81, 81}, true},
    {"80 wide visible at the left", {-220, 100, 80, 400}, false},
    {"80 high visible at the top", {100, -220, 400, 80}, false},
    {"small and partly off screen", {1000, 10, 1040, 30}, false},
    {"on a monitor to the right", {1100, 0, 1500, 300}, false},
    {"on a monitor to the left", {-1300, 100, -900, 400}, false},
    {"empty", {200, 200, 200, 200}, false},
    {"inverted", {500, 400, 100, 100}, false},
    {"every edge absent", {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN}, false},
    {"left and top absent", {LONG_MAX, LONG_MAX, 500, 400}, false},
    {"right and bottom absent", {100, 100, LONG_MIN, LONG_MIN}, false},
};

} // namespace

TEST(PlacementRule, usesAStoredRectOnlyWhenEnoughOfItIsOnTheScreen) {
    for (const PlacementCase& test : placementCases) {
        EXPECT_EQ(storedRectFitsScreen(test.stored, screen), test.used) << test.what;
    }
}

TEST(PlacementRule, aMaximizedWindowShowsMaximizedOnlyForTheNormalShowCommands) {
    struct ShowCase {
        int given;
        int maximized;
    };
    const ShowCase cases[] = {
        {SW_SHOWNORMAL, SW_SHOWMAXIMIZED},
        {SW_SHOW, SW_SHOWMAXIMIZED},
        {SW_SHOWDEFAULT, SW_SHOWMAXIMIZED},
        {SW_HIDE, SW_HIDE},
        {SW_SHOWMINNOACTIVE, SW_SHOWMINNOACTIVE},
        {SW_SHOWMINIMIZED, SW_SHOWMINIMIZED},
        {SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
    };
    for (const ShowCase& test : cases) {
        EXPECT_EQ(maximizedShowCommand(test.given, true), test.maximized) << test.given;
        EXPECT_EQ(maximizedShowCommand(test.given, false), test.given) << test.given;
    }
}

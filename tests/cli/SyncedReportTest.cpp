#include "SyncedReport.h"

#include <gtest/gtest.h>

namespace {

// Lines come out in order, each repair's only after the sync it waits for:
// the one made once the first held line has waited a second, however many
// are held, or the last. A failed sync turns the repairs of its group alone
// into file errors.
TEST(SyncedReport, PrintsRepairsInOrderOnlyAfterTheirSync) {
    int milliseconds = 0;
    int syncs = 0;
    std::string printed;
    SyncedReport report(
        [&] {
            ++syncs;
            return std::vector<SyncFailure>{{2, "not written to the disk: EIO"}};
        },
        [&](const Outcome& outcome) {
            printed += outcome.path + (outcome.result == FileError ? outcome.why : "") + " ";
        },
        [&] { return SyncedReport::Clock::time_point(std::chrono::milliseconds(milliseconds)); });
    report.add({"a", AlreadyValid, false, "", {}});
    for (; milliseconds < 999; ++milliseconds)
        report.addDeferred({"b", Repaired, false, "", {}}, 1);
    report.add({"c", Unsupported, false, "", {}});
    EXPECT_EQ(printed, "a ");
    milliseconds = 1000;
    report.addDeferred({"d", Repaired, false, "", {}}, 2);
    std::string expected = "a ";
    for (int i = 0; i < 999; ++i)
        expected += "b ";
    EXPECT_EQ(printed, expected + "c dnot written to the disk: EIO ");
    report.release();
    EXPECT_EQ(syncs, 1);
}

}

#include "SyncedReport.h"

#include <gtest/gtest.h>

namespace {

// Outcomes come out in their order, a deferred repair's only after a sync:
// the one made once the first held outcome has waited a second, however many
// are held, or the last. A failed sync turns the repairs of its group, and
// only those, into file errors.
TEST(SyncedReport, PrintsEachRepairAfterItsSyncInOrderAndAFailedOneAsAFileError) {
    SyncedReport::Clock::time_point now;
    const auto at = [&](int milliseconds) {
        now = SyncedReport::Clock::time_point(std::chrono::milliseconds(milliseconds));
    };
    std::string printed;
    int syncs = 0;
    std::vector<SyncFailure> failures;
    SyncedReport report(
        [&] {
            ++syncs;
            return failures;
        },
        [&](const Outcome& outcome) {
            printed += outcome.path + (outcome.result == FileError ? "!" + outcome.why : "") + " ";
        },
        [&] { return now; });
    const auto outcome = [](const std::string& path, RepairResult result) {
        return Outcome{path, result, false, "", {}};
    };

    report.add(outcome("a", AlreadyValid));
    at(100);
    report.addDeferred(outcome("b", Repaired), 1);
    at(600);
    report.add(outcome("c", Unsupported));
    at(1099);
    report.addDeferred(outcome("d", Repaired), 2);
    EXPECT_EQ(printed, "a ");
    at(1100);
    report.addDeferred(outcome("e", Repaired), 1);
    EXPECT_EQ(printed, "a b c d e ");
    EXPECT_EQ(syncs, 1);

    printed.clear();
    failures = {{2, "Input/output error"}};
    report.addDeferred(outcome("f", Repaired), 1);
    report.addDeferred(outcome("g", Repaired), 2);
    for (int i = 0; i < 1000; ++i)
        report.addDeferred(outcome("h", Repaired), 1);
    at(2099);
    report.add(outcome("i", FileError));
    EXPECT_EQ(printed, "");
    report.release();
    EXPECT_EQ(syncs, 2);
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += "h ";
    EXPECT_EQ(printed, "f g!not written to the disk: Input/output error " + many + "i! ");
    report.release();
    EXPECT_EQ(syncs, 2);
}

}

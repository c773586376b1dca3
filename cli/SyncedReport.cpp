#include "SyncedReport.h"

#include <utility>

namespace {

// Long enough for one sync to serve a run of many small repairs, short
// enough that a long run still reports as it goes.
constexpr std::chrono::seconds heldLongest(1);

}

void SyncedReport::add(Outcome outcome) {
    if (held.empty())
        print(outcome);
    else
        hold({std::move(outcome), false, 0});
}

void SyncedReport::addDeferred(Outcome outcome, std::uint64_t group) {
    hold({std::move(outcome), true, group});
}

void SyncedReport::hold(Held outcome) {
    const Clock::time_point at = now();
    if (held.empty())
        firstHeld = at;
    held.push_back(std::move(outcome));
    if (at - firstHeld >= heldLongest)
        release();
}

void SyncedReport::release() {
    const std::vector<SyncFailure> failures = held.empty() ? std::vector<SyncFailure>() : sync();
    for (Held& each : held) {
        for (const SyncFailure& failure : failures) {
            if (each.waits && failure.group == each.group) {
                each.outcome.result = FileError;
                each.outcome.why = failure.reason;
            }
        }
        print(each.outcome);
    }
    held.clear();
}

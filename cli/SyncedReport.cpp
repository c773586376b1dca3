#include "SyncedReport.h"

#include <utility>

namespace {

// Enough outcomes to share one sync among many small repairs, few enough that
// a long run still reports as it goes.
constexpr std::size_t heldAtMost = 256;
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
    const auto now = std::chrono::steady_clock::now();
    if (held.empty())
        firstHeld = now;
    held.push_back(std::move(outcome));
    if (held.size() >= heldAtMost || now - firstHeld >= heldLongest)
        release();
}

void SyncedReport::release() {
    const std::vector<SyncFailure> failures = held.empty() ? std::vector<SyncFailure>() : sync();
    for (Held& each : held) {
        for (const SyncFailure& failure : failures) {
            if (each.waits && failure.group == each.group) {
                each.outcome.result = FileError;
                each.outcome.why = "not written to the disk: " + failure.reason;
            }
        }
        print(each.outcome);
    }
    held.clear();
}

#pragma once

#include "Outcome.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// A group of files whose writes were left to one sync, and why its sync
// failed: the reason its files' lines give.
struct SyncFailure {
    std::uint64_t group;
    std::string reason;
};

// The outcomes of a run in the order of the files, each printed once what it
// reports is on the disk. A repair whose writes were left to a later sync
// holds its outcome, and every one after it, until the next sync: once the
// first of them has waited about a second, and at the end. A repair whose
// sync failed is reported as a file error instead.
class SyncedReport {
public:
    using Sync = std::function<std::vector<SyncFailure>()>;
    using Print = std::function<void(const Outcome&)>;
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    SyncedReport(Sync sync, Print print, Now now = Clock::now)
        : sync(std::move(sync)), print(std::move(print)), now(std::move(now)) {}
    SyncedReport(const SyncedReport&) = delete;
    SyncedReport& operator=(const SyncedReport&) = delete;

    // An outcome that waits for nothing but those before it.
    void add(Outcome outcome);
    // A repair whose writes wait for the sync of group.
    void addDeferred(Outcome outcome, std::uint64_t group);
    // Syncs what is deferred and prints every held outcome.
    void release();

private:
    struct Held {
        Outcome outcome;
        bool waits;
        std::uint64_t group;
    };

    void hold(Held outcome);

    Sync sync;
    Print print;
    Now now;
    // A second's outcomes of a fast run are many: held where they are, not
    // moved as they grow.
    std::deque<Held> held;
    Clock::time_point firstHeld;
};

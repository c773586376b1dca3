#include "SyncedReport.h"

#include "OutcomeText.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Enough lines to share one sync among many small repairs, few enough that a
// long run still reports as it goes.
constexpr std::size_t heldAtMost = 256;
constexpr std::chrono::seconds heldLongest(1);

}

void SyncedReport::add(const std::string& line) {
    if (held.empty())
        std::printf("%s\n", line.c_str());
    else
        hold({"", line, false, 0});
}

void SyncedReport::addRepaired(const std::string& path, const std::string& line, dev_t device) {
    hold({path, line, true, device});
}

void SyncedReport::hold(Held line) {
    const auto now = std::chrono::steady_clock::now();
    if (held.empty())
        firstHeld = now;
    held.push_back(std::move(line));
    if (held.size() >= heldAtMost || now - firstHeld >= heldLongest)
        release();
}

void SyncedReport::release() {
    const std::vector<FileSystemSync::Failure> failures = sync.syncDeferred();
    for (const Held& each : held) {
        std::string line = each.line;
        for (const FileSystemSync::Failure& failure : failures) {
            if (each.waits && failure.device == each.device) {
                line = outcomeLine(each.path, FileError, false,
                    std::string("not written to the disk: ") + std::strerror(failure.error));
                unwritten = true;
            }
        }
        std::printf("%s\n", line.c_str());
    }
    held.clear();
    std::fflush(stdout);
}

#pragma once

#include "FileSystemSync.h"

#include <chrono>
#include <string>
#include <vector>

// The output lines of a run in the order of the files, each printed once what
// it reports is on the disk. A repair whose writes were left to its file
// system's sync holds its line, and every line after it, until the next sync:
// when the held lines reach a bound, when the first of them has waited about
// a second, and at the end. A repair whose file system failed to sync is
// reported as a file error instead.
class SyncedReport {
public:
    explicit SyncedReport(FileSystemSync& sync) : sync(sync) {}
    SyncedReport(const SyncedReport&) = delete;
    SyncedReport& operator=(const SyncedReport&) = delete;

    // A line that waits for nothing but the lines before it.
    void add(const std::string& line);
    // The line of path's repair, whose writes wait for the sync of device.
    void addRepaired(const std::string& path, const std::string& line, dev_t device);
    // Syncs what is deferred and prints every held line.
    void release();
    // Whether some repair turned out not to be on the disk.
    bool someUnwritten() const { return unwritten; }

private:
    struct Held {
        std::string path;
        std::string line;
        bool waits;
        dev_t device;
    };

    void hold(Held line);

    FileSystemSync& sync;
    std::vector<Held> held;
    std::chrono::steady_clock::time_point firstHeld;
    bool unwritten = false;
};

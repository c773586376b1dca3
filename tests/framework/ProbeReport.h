#pragma once

#include <map>
#include <string>
#include <vector>

// What the identity probe printed: one "key=value" line per finding.
struct ProbeReport {
    bool ran = false;
    std::multimap<std::string, std::string> entries;

    // The first value of key, or "<missing>".
    std::string value(const std::string& key) const;
    std::vector<std::string> values(const std::string& key) const;
};

// Runs the probe executable at path with exactly this command line; ran is
// false when it cannot start or is still running after 30 s (it is then ended).
ProbeReport runProbe(const std::string& path, std::string commandLine);

// The directory of the running test executable, where the probes are built.
std::string testDirectory();

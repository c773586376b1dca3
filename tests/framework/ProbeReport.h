#pragma once

#include <string>
#include <utility>
#include <vector>

// What the identity probe printed: one "key=value" line per finding.
struct ProbeReport {
    bool ran = false;
    std::vector<std::pair<std::string, std::string>> entries;

    // The first value of key, or "<missing>".
    std::string value(const std::string& key) const;
    std::vector<std::string> values(const std::string& key) const;
};

// Runs the probe executable at path with this command line.
ProbeReport runProbe(const std::string& path, const std::string& commandLine);

// The directory of the running test executable, where the probes are built.
std::string testDirectory();

#include "ProbeReport.h"

#include <windows.h>

#include "ChildProcess.h"

std::string ProbeReport::value(const std::string& key) const {
    for (const auto& entry : entries) {
        if (entry.first == key) {
            return entry.second;
        }
    }
    return "<missing>";
}

std::vector<std::string> ProbeReport::values(const std::string& key) const {
    std::vector<std::string> found;
    for (const auto& entry : entries) {
        if (entry.first == key) {
            found.push_back(entry.second);
        }
    }
    return found;
}

ProbeReport runProbe(const std::string& path, const std::string& commandLine) {
    ProbeReport report;
    std::string output;
    report.ran = runChild(path, commandLine, output);
    std::size_t begin = 0;
    while (begin < output.size()) {
        std::size_t end = output.find('\n', begin);
        if (end == std::string::npos) {
            end = output.size();
        }
        const std::string line = output.substr(begin, end - begin);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            report.entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
        begin = end + 1;
    }
    return report;
}

std::string testDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length < sizeof path ? length : 0);
    return directory.substr(0, directory.rfind('\\'));
}

#pragma once

#include "Catalog.h"
#include "Folders.h"

// Folders through FindFirstFileW. Windows shells hand wildcards over as
// typed, so * and ? in the last part of a name are expanded here, matched
// case-insensitively against the long names alone (FindFirstFileW also
// matches short 8.3 names), in name order. Junctions, links and other reparse
// points are left out of a walk. Reasons are given in language.
class Win32Folders : public Folders {
public:
    explicit Win32Folders(Language language) : language(language) {}

    std::vector<Named> expand(const std::string& argument) override;
    bool isFolder(const std::string& path) override;
    bool list(const std::string& folder, std::deque<File>& files, std::vector<std::string>& subfolders,
        std::string& why) override;
    std::string join(const std::string& folder, const std::string& name) const override;
    std::string leaf(const std::string& path) const override;

private:
    Language language;
};

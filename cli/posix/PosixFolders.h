#pragma once

#include "Catalog.h"
#include "Folders.h"

// Folders through readdir and fstatat. Symbolic links are never followed out
// of a folder, and a subfolder on another device (a mount point) is left out.
// The shell has expanded wildcards already. Reasons are given in language.
class PosixFolders : public Folders {
public:
    explicit PosixFolders(Language language) : language(language) {}

    std::vector<Named> expand(const std::string& argument) override { return {{argument, ""}}; }
    bool isFolder(const std::string& path) override;
    bool list(const std::string& folder, std::deque<File>& files, std::vector<std::string>& subfolders,
        std::string& why) override;
    std::string join(const std::string& folder, const std::string& name) const override;
    std::string leaf(const std::string& path) const override;

private:
    Language language;
};

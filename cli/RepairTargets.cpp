#include "RepairTargets.h"

#include <algorithm>

namespace {

void walk(const std::string& folder, Folders& folders, std::deque<RepairTarget>& targets) {
    std::deque<Folders::File> files;
    std::vector<std::string> subfolders;
    std::string why;
    if (!folders.list(folder, files, subfolders, why)) {
        targets.push_back({folder, why});
        return;
    }
    std::sort(files.begin(), files.end(),
        [](const Folders::File& a, const Folders::File& b) { return a.name < b.name; });
    std::sort(subfolders.begin(), subfolders.end());
    for (const Folders::File& file : files) {
        if (isRecordingName(file.name))
            targets.push_back({folders.join(folder, file.name), "", file.regular});
    }
    for (const std::string& name : subfolders)
        walk(folders.join(folder, name), folders, targets);
}

}

std::deque<RepairTarget> findTargets(const std::vector<std::string>& arguments, bool recursive, Folders& folders,
    Language language) {
    std::deque<RepairTarget> targets;
    for (const std::string& argument : arguments) {
        for (const Folders::Named& named : folders.expand(argument)) {
            if (!named.error.empty())
                targets.push_back({named.path, named.error});
            else if (!folders.isFolder(named.path))
                targets.push_back({named.path, ""});
            else if (recursive)
                walk(named.path, folders, targets);
            else
                targets.push_back({named.path, say(language, Text::FolderWithoutRecursive)});
        }
    }
    return targets;
}

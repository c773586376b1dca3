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

bool isRecordingName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    for (const char* known : {"wav", "wave", "bwf", "rf64", "aif", "aiff", "aifc"}) {
        if (extension == known)
            return true;
    }
    return false;
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

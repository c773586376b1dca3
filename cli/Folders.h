#pragma once

#include <deque>
#include <string>
#include <vector>

// What finding the files of a run asks of the system, one implementation per
// platform.
class Folders {
public:
    virtual ~Folders() = default;

    // The names an argument stands for as the platform's shell would leave
    // it: the argument itself where the shell expands wildcards; error says
    // why where nothing matches.
    struct Named {
        std::string path;
        std::string error;
    };
    virtual std::vector<Named> expand(const std::string& argument) = 0;
    // Whether path, links followed, names a folder.
    virtual bool isFolder(const std::string& path) = 0;
    // An entry of a folder that is not a folder, and whether the listing
    // itself said it is a regular file.
    struct File {
        std::string name;
        bool regular;
    };
    // The entries of folder, in any order, split into its subfolders and the
    // rest (in a deque, which grows without copying a large folder's files);
    // links, junctions and folders of other file systems are left out. False,
    // with the system's reason, when the folder cannot be read.
    virtual bool list(const std::string& folder, std::deque<File>& files, std::vector<std::string>& subfolders,
        std::string& why) = 0;
    // The path of name in folder.
    virtual std::string join(const std::string& folder, const std::string& name) const = 0;
    // The last part of path: the file's own name.
    virtual std::string leaf(const std::string& path) const = 0;
};

#pragma once

#include "Catalog.h"
#include "Folders.h"
#include "RecordingName.h"

#include <deque>
#include <string>
#include <vector>

// One line of a run: a file to repair, or a name that yields a file error
// by itself (error says why). regular: a folder's listing said it is a
// regular file.
struct RepairTarget {
    std::string path;
    std::string error;
    bool regular = false;
};

// The targets of the named arguments, in their order. With recursive a folder
// stands for the recordings beneath it: its own in byte order of their names,
// then each subfolder's the same way, in byte order too. Without it a folder
// is a file error, explained in language. A deque, which grows without
// copying what it holds.
std::deque<RepairTarget> findTargets(const std::vector<std::string>& arguments, bool recursive, Folders& folders,
    Language language);

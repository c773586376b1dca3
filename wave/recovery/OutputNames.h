#pragma once

#include <functional>
#include <set>
#include <string>

// The paths of recovered recordings in the output folder: each its own, never
// one that a file holds or that this run chose before.
class OutputNames {
public:
    OutputNames(std::string folder, char separator) : folder(std::move(folder)), separator(separator) {}

    enum class Look { Free, Taken, Failed };

    // The first of FOLDER/name, FOLDER/stem-2.ext, FOLDER/stem-3.ext, ... that
    // this run has not chosen and look finds free; empty when a look failed.
    std::string choose(const std::string& name, const std::function<Look(const std::string&)>& look);

private:
    std::string folder;
    char separator;
    std::set<std::string> chosen;
};

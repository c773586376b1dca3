#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The paths of recovered recordings in the output folder: each its own, never
// one that a file holds or that this run chose before, the names fitted to
// any file system (see fittedName) and, told apart as Windows and macOS tell
// them (without regard to the case of A to Z), the same on every system.
class OutputNames {
public:
    OutputNames(std::string folder, char separator) : folder(std::move(folder)), separator(separator) {}

    enum class Look { Free, Taken, Failed };

    // The first of FOLDER/name, FOLDER/stem-2.ext, FOLDER/stem-3.ext, ...
    // (name fitted, leaving room for the number and partName) that this run
    // has not chosen and look finds free; empty when a look failed. The
    // numbers of a name already passed over are not looked at again.
    std::string choose(const std::string& name, const std::function<Look(const std::string&)>& look);

    // What choosing a path for name keeps for the rest of the run, at most.
    std::size_t memoryFor(const std::string& name) const;

    // The name a recording's file has while it is written, beside path:
    // FOLDER/.NAME.sonorix-part, which no chosen path takes.
    static std::string partName(const std::string& path);
    static constexpr const char* partSuffix = ".sonorix-part";

private:
    std::string folder;
    char separator;
    std::unordered_set<std::string> chosen;
    // For each name asked for, the number its next choice begins at.
    std::unordered_map<std::string, unsigned> next;
};

#pragma once

#include "ClusterMap.h"
#include "VolumeEntry.h"

#include <cstdint>
#include <vector>

// The entries of an exFAT directory, one set at a time: a File entry, its
// Stream Extension and its File Name entries, checked against the set's
// checksum. A deleted set (its in-use bits clear) keeps its name and clusters
// and is listed as deleted.
class ExFatDirectory {
public:
    enum class Step { More, Entry, End };

    explicit ExFatDirectory(const VolumeGeometry& volume) : volume(volume) {}

    // Takes the next entry: Entry when it completes a sound set of a file or
    // folder (entry then holds it, without its path), End at the mark that
    // ends the directory.
    Step take(const unsigned char* bytes, std::uint64_t offset, VolumeEntry& entry);
    std::uint32_t damaged() const { return broken; }

    // The longest a set can be: a File entry and 18 secondaries.
    static constexpr unsigned maxSet = 19;

private:
    bool decode(VolumeEntry& entry) const;

    const VolumeGeometry& volume;
    std::vector<unsigned char> set;
    std::uint64_t setAt = 0;
    unsigned wanted = 0;
    std::uint32_t broken = 0;
};

// The allocation bitmap (the active one, where there are two) and the
// up-case table that an exFAT root directory names; firstCluster 0 for one
// not found.
struct ExFatSystemFiles {
    SystemFile bitmap;
    SystemFile upcase;
};

ExFatSystemFiles findExFatSystemFiles(ClusterMap& map);

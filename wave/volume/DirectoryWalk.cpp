#include "DirectoryWalk.h"

#include "ClusterMap.h"
#include "DirectoryStream.h"
#include "ExFatDirectory.h"
#include "FatDirectory.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>

namespace {

constexpr std::uint64_t maxFatDirectoryBytes = 65536 * 32;
constexpr std::uint64_t maxExFatDirectoryBytes = 256ull << 20;

struct Folder {
    std::uint32_t firstCluster = 0;
    bool contiguous = false;
    std::uint64_t bytes = 0;
    std::string path;
    unsigned depth = 0;
};

template <typename Directory, typename Take>
void readFolder(DirectoryStream& stream, const Folder& folder, Directory& directory, const Take& take) {
    const unsigned char* bytes;
    std::uint64_t offset;
    VolumeEntry entry;
    while (stream.next(bytes, offset)) {
        const auto step = directory.take(bytes, offset, entry);
        if (step == Directory::Step::End)
            return;
        if (step != Directory::Step::Entry)
            continue;
        entry.path = folder.path.empty() ? entry.name : folder.path + "/" + entry.name;
        take(entry);
    }
}

}

WalkFindings walkDirectories(ClusterMap& map, const std::function<void(const VolumeEntry&)>& visit) {
    const VolumeGeometry& volume = map.geometry();
    const bool exFat = volume.kind == VolumeKind::ExFat;
    WalkFindings findings;
    std::uint64_t budget = std::uint64_t(volume.clusterCount) * volume.clusterBytes + volume.rootBytes;
    std::unordered_set<std::uint32_t> read = {volume.rootCluster};
    std::deque<Folder> folders;
    Folder root;
    root.firstCluster = volume.rootCluster;
    root.bytes = exFat ? maxExFatDirectoryBytes : maxFatDirectoryBytes;
    folders.push_back(root);

    while (!folders.empty() && !findings.budgetSpent) {
        const Folder folder = folders.front();
        folders.pop_front();
        ++findings.directories;
        const auto take = [&](const VolumeEntry& entry) {
            visit(entry);
            if (!entry.directory || entry.deleted)
                return;
            if (folder.depth + 1 >= maxDepth) {
                findings.tooDeep = true;
            } else if (!read.insert(entry.firstCluster).second) {
                ++findings.revisited;
            } else {
                Folder inner;
                inner.firstCluster = entry.firstCluster;
                inner.contiguous = entry.contiguous;
                inner.bytes = exFat ? std::min(entry.size, maxExFatDirectoryBytes) : maxFatDirectoryBytes;
                inner.path = entry.path;
                inner.depth = folder.depth + 1;
                folders.push_back(inner);
            }
        };
        // FAT12 and FAT16 keep the root directory in a region of its own.
        const bool fixedRoot = folder.firstCluster == 0;
        const auto stream = fixedRoot
            ? std::make_unique<DirectoryStream>(map, volume.rootOffset, volume.rootBytes, budget)
            : std::make_unique<DirectoryStream>(map, folder.firstCluster, folder.contiguous, folder.bytes, budget);
        if (exFat) {
            ExFatDirectory directory(volume);
            readFolder(*stream, folder, directory, take);
            findings.damagedEntries += directory.damaged();
        } else {
            FatDirectory directory(volume);
            readFolder(*stream, folder, directory, take);
            findings.damagedEntries += directory.damaged();
        }
        findings.budgetSpent = stream->budgetSpent();
    }
    return findings;
}

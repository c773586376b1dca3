#include "DirectoryWalk.h"

#include "ClusterBitmap.h"
#include "ClusterMap.h"
#include "DirectoryStream.h"
#include "ExFatDirectory.h"
#include "FatDirectory.h"
#include "ScanBudget.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string>

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

// The path of name in the folder at folder: where it would be longer than
// maxPathBytes, the folder's first name, an ellipsis and the name.
void joinPath(const std::string& folder, const std::string& name, std::string& path) {
    if (folder.empty()) {
        path = name;
    } else if (folder.size() + 1 + name.size() <= maxPathBytes) {
        path.assign(folder).append("/").append(name);
    } else {
        path.assign(folder, 0, folder.find('/')).append(u8"/\u2026/").append(name);
    }
}

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
        joinPath(folder.path, entry.name, entry.path);
        take(entry);
    }
}

}

WalkFindings walkDirectories(ClusterMap& map, const std::function<void(const VolumeEntry&)>& visit) {
    const VolumeGeometry& volume = map.geometry();
    const bool exFat = volume.kind == VolumeKind::ExFat;
    ScanBudget& budget = map.budget();
    WalkFindings findings;
    // The clusters of the directories read, and the first clusters of the
    // folders met.
    ClusterBitmap read(map.mappedEnd(), budget);
    ClusterBitmap met(map.mappedEnd(), budget);
    met.mark(volume.rootCluster, 1);
    std::deque<Folder> folders;
    std::uint64_t waiting = 0;
    Folder root;
    root.firstCluster = volume.rootCluster;
    root.bytes = exFat ? maxExFatDirectoryBytes : maxFatDirectoryBytes;
    folders.push_back(root);

    while (!folders.empty()) {
        const Folder folder = std::move(folders.front());
        folders.pop_front();
        if (folder.depth > 0) {
            budget.give(sizeof(Folder) + folder.path.capacity());
            waiting -= sizeof(Folder) + folder.path.capacity();
        }
        // FAT12 and FAT16 keep the root directory in a region of its own.
        const bool fixedRoot = folder.firstCluster == 0;
        if (!fixedRoot && read.marked(folder.firstCluster)) {
            ++findings.revisited;
            continue;
        }
        ++findings.directories;
        const auto take = [&](const VolumeEntry& entry) {
            visit(entry);
            if (!entry.directory || entry.deleted)
                return;
            if (met.marked(entry.firstCluster)) {
                ++findings.revisited;
                return;
            }
            met.mark(entry.firstCluster, 1);
            Folder inner;
            inner.firstCluster = entry.firstCluster;
            inner.contiguous = entry.contiguous;
            inner.bytes = exFat ? std::min(entry.size, maxExFatDirectoryBytes) : maxFatDirectoryBytes;
            inner.path = entry.path;
            inner.depth = folder.depth + 1;
            const std::uint64_t need = sizeof(Folder) + inner.path.capacity();
            if (inner.depth >= maxDepth || !budget.take(need)) {
                ++findings.notRead;
                return;
            }
            waiting += need;
            folders.push_back(std::move(inner));
        };
        const auto stream = fixedRoot
            ? std::make_unique<DirectoryStream>(map, volume.rootOffset, volume.rootBytes)
            : std::make_unique<DirectoryStream>(map, folder.firstCluster, folder.contiguous, folder.bytes, &read);
        if (exFat) {
            ExFatDirectory directory(volume);
            readFolder(*stream, folder, directory, take);
            findings.damagedEntries += directory.damaged();
        } else {
            FatDirectory directory(volume);
            readFolder(*stream, folder, directory, take);
            findings.damagedEntries += directory.damaged();
        }
    }
    budget.give(waiting);
    findings.coarse = read.coarse() + met.coarse();
    return findings;
}

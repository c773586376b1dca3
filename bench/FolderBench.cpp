// sonorix-repair -r over a folder of cut-off recordings against the floor of
// the system calls any repair of them needs: for each file open, read the 44
// header bytes, write 40 back, set the modification time and close, then one
// sync of the file system, the durability sonorix-repair gives. The floor
// writes the cut-off sizes back, so each of its runs leaves every file to be
// repaired again.
//
//   folder_bench create DIR COUNT   makes DIR with COUNT cut-off recordings
//   folder_bench floor DIR          the floor alone, one run
//   folder_bench compare DIR PROGRAM [ROUNDS]
//                                   floor, PROGRAM -r DIR, floor and PROGRAM -r
//                                   --json DIR in turn; medians of the times
//                                   and of each run's ratio to the floor just
//                                   before it; exits 1 when a ratio passes 1.3

#include "TimedRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A canonical 16-bit stereo header with both sizes zero: cut off at once.
const unsigned char cutHeader[44] = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0,
    0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
constexpr std::size_t audioBytes = 4096;
constexpr double budget = 1.3;

bool create(const std::string& dir, int count) {
    if (mkdir(dir.c_str(), 0755) != 0)
        return false;
    std::vector<unsigned char> bytes(cutHeader, cutHeader + sizeof cutHeader);
    bytes.resize(sizeof cutHeader + audioBytes, 0x11);
    for (int i = 0; i < count; ++i) {
        const std::string path = dir + "/take" + std::to_string(100000 + i) + ".wav";
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        const bool ok = fd >= 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (fd < 0 || close(fd) != 0 || !ok)
            return false;
    }
    sync();
    return true;
}

bool floorRun(const std::string& dir) {
    DIR* entries = opendir(dir.c_str());
    if (entries == nullptr)
        return false;
    bool ok = true;
    while (const dirent* entry = readdir(entries)) {
        if (entry->d_name[0] == '.')
            continue;
        const int fd = openat(dirfd(entries), entry->d_name, O_RDWR | O_CLOEXEC);
        unsigned char header[44];
        struct stat status;
        ok = ok && fd >= 0 && fstat(fd, &status) == 0 && pread(fd, header, 44, 0) == 44
            && pwrite(fd, cutHeader + 4, 40, 4) == 40;
        const timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
        ok = ok && futimens(fd, times) == 0;
        if (fd < 0 || close(fd) != 0)
            ok = false;
    }
    ok = syncfs(dirfd(entries)) == 0 && ok;
    closedir(entries);
    return ok;
}

int compare(const std::string& self, const std::string& dir, const std::string& program, int rounds) {
    std::vector<double> floors, plain, json, plainRatios, jsonRatios;
    for (int i = 0; i < rounds; ++i) {
        // Each repair finds every file cut off: the floor before it cut them.
        // Paired so that a machine whose speed drifts still gives fair ratios.
        floors.push_back(timed({self, "floor", dir}).seconds);
        plain.push_back(timed({program, "-r", dir}).seconds);
        plainRatios.push_back(plain.back() / floors.back());
        floors.push_back(timed({self, "floor", dir}).seconds);
        json.push_back(timed({program, "-r", "--json", dir}).seconds);
        jsonRatios.push_back(json.back() / floors.back());
        if (std::min({floors.end()[-2], floors.back(), plain.back(), json.back()}) < 0) {
            std::fprintf(stderr, "folder_bench: a run failed\n");
            return 2;
        }
    }
    const double plainRatio = median(plainRatios);
    const double jsonRatio = median(jsonRatios);
    std::printf("floor %.3f s, -r %.3f s (%.2fx), -r --json %.3f s (%.2fx), medians of %d pairs each\n", median(floors),
        median(plain), plainRatio, median(json), jsonRatio, rounds);
    return plainRatio <= budget && jsonRatio <= budget ? 0 : 1;
}

}

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "create" && argc == 4)
        return create(argv[2], std::atoi(argv[3])) ? 0 : 2;
    if (mode == "floor" && argc == 3)
        return floorRun(argv[2]) ? 0 : 2;
    if (mode == "compare" && (argc == 4 || argc == 5))
        return compare(argv[0], argv[2], argv[3], argc == 5 ? std::max(1, std::atoi(argv[4])) : 7);
    std::fprintf(stderr, "Usage: folder_bench create DIR COUNT | floor DIR | compare DIR PROGRAM [ROUNDS]\n");
    return 64;
}

// sonorix-repair --recover over the image of a 4 GiB card (FAT32, 32 KiB
// clusters) that holds 1.5 GiB of recordings as a recorder that lost power
// leaves them, against reading the image once (cat IMAGE > /dev/null) and
// against the floor of any recovery that writes them: reading the image once
// and writing as many bytes to new files, made durable.
//
//   recover_bench create IMAGE    makes the image (refused without room for it
//                                 and for what is recovered from it)
//   recover_bench floor IMAGE DIR reads IMAGE once and writes 1.5 GiB to DIR
//   recover_bench compare IMAGE DIR PROGRAM [ROUNDS]
//                                 cat, PROGRAM --recover --dry-run, PROGRAM
//                                 --recover --output DIR and the floor in turn,
//                                 on a warm page cache; medians of the times and
//                                 of each run's ratio to the cat just before
//                                 it, and each child's peak memory; exits 1
//                                 when the dry run passes 1.1 times cat or a
//                                 recovery 64 MiB
//
// The recordings: two files of a 4-channel recorder whose runs of 1 MiB
// alternate without a chain, an entry of 0 bytes with its chain, a stale
// entry whose size and chain stop at a tenth, a deleted entry; 300 MiB each,
// 24-bit stereo at 48 kHz, their headers' sizes 0. The rest of the card holds
// the bytes of older files, which are no sound.

#include "TimedRun.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint64_t cardBytes = 4096 * MiB;
constexpr std::uint32_t sector = 512;
constexpr std::uint32_t clusterBytes = 32 * 1024;
constexpr std::uint32_t reservedSectors = 32;
constexpr std::uint64_t recordingBytes = 300 * MiB;
constexpr int recordings = 5;
constexpr double cardBudget = 1.1;
constexpr double memoryBudget = 64 * MiB;

void put16(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char* at, std::uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

// A FAT32 volume of the whole image: its boot sector (and the backup at sector
// 6), FSInfo, two FATs, a root directory of one cluster.
class Card {
public:
    explicit Card(int fd) : fd(fd) {
        const std::uint64_t sectors = cardBytes / sector;
        fatSectors = static_cast<std::uint32_t>((sectors / (clusterBytes / sector) + 2) * 4 / sector + 1);
        heap = (reservedSectors + 2ull * fatSectors) * sector;
        clusters = static_cast<std::uint32_t>((cardBytes - heap) / clusterBytes);
        fat.assign(std::size_t(clusters) + 2, 0);
        fat[0] = 0x0FFFFFF8;
        fat[1] = fat[2] = 0x0FFFFFFF;
    }

    std::uint64_t at(std::uint32_t cluster) const { return heap + std::uint64_t(cluster - 2) * clusterBytes; }
    std::uint32_t count() const { return clusters; }
    void link(std::uint32_t from, std::uint32_t to) { fat[from] = to; }
    // An 8.3 entry of the root directory; deleted entries lose their first byte.
    void entry(const char* name, std::uint32_t first, std::uint32_t size, bool deleted = false) {
        unsigned char* e = root + 32 * entries++;
        std::memcpy(e, name, 11);
        e[0] = deleted ? 0xE5 : e[0];
        e[11] = 0x20;
        put16(e + 20, first >> 16);
        put16(e + 26, first & 0xFFFF);
        put32(e + 28, size);
    }

    bool finish() {
        unsigned char boot[sector] = {0xEB, 0x58, 0x90, 'S', 'O', 'N', 'O', 'R', 'I', 'X', ' '};
        put16(boot + 11, sector);
        boot[13] = clusterBytes / sector;
        put16(boot + 14, reservedSectors);
        boot[16] = 2;
        boot[21] = 0xF8;
        put16(boot + 24, 63);
        put16(boot + 26, 255);
        put32(boot + 32, static_cast<std::uint32_t>(cardBytes / sector));
        put32(boot + 36, fatSectors);
        put32(boot + 44, 2);
        put16(boot + 48, 1);
        put16(boot + 50, 6);
        boot[64] = 0x80;
        boot[66] = 0x29;
        std::memcpy(boot + 71, "NO NAME    FAT32   ", 19);
        boot[510] = 0x55;
        boot[511] = 0xAA;
        unsigned char info[sector] = {'R', 'R', 'a', 'A'};
        std::memcpy(info + 484, "rrAa", 4);
        put32(info + 488, 0xFFFFFFFF);
        put32(info + 492, 0xFFFFFFFF);
        info[510] = 0x55;
        info[511] = 0xAA;
        std::vector<unsigned char> bytes(fat.size() * 4);
        for (std::size_t i = 0; i < fat.size(); ++i)
            put32(bytes.data() + 4 * i, fat[i]);
        bool ok = write(0, boot, sector) && write(sector, info, sector) && write(6 * sector, boot, sector)
            && write(7 * sector, info, sector) && write(at(2), root, sizeof root);
        for (int copy = 0; copy < 2; ++copy)
            ok = ok && write((reservedSectors + std::uint64_t(copy) * fatSectors) * sector, bytes.data(), bytes.size());
        return ok;
    }

    bool write(std::uint64_t offset, const void* bytes, std::size_t count) const {
        return pwrite(fd, bytes, count, static_cast<off_t>(offset)) == static_cast<ssize_t>(count);
    }

private:
    int fd;
    std::uint32_t fatSectors = 0;
    std::uint64_t heap = 0;
    std::uint32_t clusters = 0;
    std::vector<std::uint32_t> fat;
    unsigned char root[clusterBytes] = {};
    unsigned entries = 0;
};

// A recording's bytes, as its recorder wrote them: a 44-byte header whose
// sizes are 0, then 24-bit stereo of three partials that glide, over a hiss;
// voice tells the recordings apart.
class Recording {
public:
    explicit Recording(int voice) : voice(voice), noise(0x9E3779B9u * (voice + 1)) {}

    void fill(unsigned char* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (written < 44) {
                bytes[i] = header(static_cast<unsigned>(written++));
                continue;
            }
            if (left == 0)
                nextFrame();
            bytes[i] = frame[6 - left--];
            ++written;
        }
    }

private:
    static unsigned char header(unsigned at) {
        static const unsigned char bytes[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
            16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0x00, 0x65, 0x04, 0, 6, 0, 24, 0, 'd', 'a', 't', 'a', 0, 0, 0,
            0};
        return bytes[at];
    }

    void nextFrame() {
        const double t = static_cast<double>(frames++) / 48000;
        double sound = 0;
        // A chord of its own for each recording, a fourth above the last.
        const double base = 110.0 * std::pow(4.0 / 3, voice);
        for (int k = 0; k < 3; ++k) {
            const double hz = base * (k + 1) * (1 + 0.05 * std::sin(0.3 * t + k));
            phase[k] += 2 * M_PI * hz / 48000;
            sound += std::sin(phase[k]) * (0.25 - 0.05 * k);
        }
        for (int channel = 0; channel < 2; ++channel) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            hiss[channel] = 0.9 * hiss[channel] + (static_cast<double>(noise % 2001) - 1000) * 2e-7;
            const long value = std::lround((sound * (1 - 0.3 * channel) + hiss[channel]) * 8388607);
            for (int b = 0; b < 3; ++b)
                frame[3 * channel + b] = static_cast<unsigned char>(value >> (8 * b));
        }
        left = 6;
    }

    int voice;
    std::uint32_t noise;
    double phase[3] = {};
    double hiss[2] = {};
    std::uint64_t frames = 0;
    std::uint64_t written = 0;
    unsigned char frame[6] = {};
    int left = 0;
};

bool enoughRoom(const std::string& path, std::uint64_t bytes) {
    const std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    struct statvfs file;
    if (statvfs(folder.c_str(), &file) != 0)
        return false;
    const std::uint64_t free = std::uint64_t(file.f_bavail) * file.f_frsize;
    if (free >= bytes)
        return true;
    std::fprintf(stderr, "recover_bench: %s has %llu MiB free; the card and what is recovered need %llu MiB\n",
        folder.c_str(), static_cast<unsigned long long>(free / MiB), static_cast<unsigned long long>(bytes / MiB));
    return false;
}

bool create(const std::string& path) {
    if (!enoughRoom(path, cardBytes + (recordings + 1) * recordingBytes))
        return false;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    Card card(fd);
    const std::uint32_t perRecording = static_cast<std::uint32_t>(recordingBytes / clusterBytes);
    const std::uint32_t run = MiB / clusterBytes;
    std::vector<Recording> takes;
    for (int voice = 0; voice < recordings; ++voice)
        takes.emplace_back(voice);
    // Which recording each cluster from 3 on holds: the two of the 4-channel
    // recorder alternate in runs, the others follow one after the other.
    std::vector<unsigned char> data(clusterBytes);
    std::uint32_t cluster = 3;
    std::uint32_t firsts[recordings] = {};
    bool ok = true;
    const auto take = [&](int which) {
        if (firsts[which] == 0)
            firsts[which] = cluster;
        takes[which].fill(data.data(), data.size());
        ok = ok && card.write(card.at(cluster++), data.data(), data.size());
    };
    for (std::uint32_t i = 0; i < 2 * perRecording; ++i)
        take(static_cast<int>(i / run % 2));
    for (int which = 2; which < recordings; ++which) {
        for (std::uint32_t i = 0; i < perRecording; ++i)
            take(which);
    }
    // The entry of 0 bytes has its chain, the stale one a chain as long as its
    // size, a tenth; the recorder wrote neither of the others'.
    for (std::uint32_t c = firsts[2]; c + 1 < firsts[2] + perRecording; ++c)
        card.link(c, c + 1);
    card.link(firsts[2] + perRecording - 1, 0x0FFFFFFF);
    const std::uint32_t staleClusters = perRecording / 10;
    for (std::uint32_t c = firsts[3]; c + 1 < firsts[3] + staleClusters; ++c)
        card.link(c, c + 1);
    card.link(firsts[3] + staleClusters - 1, 0x0FFFFFFF);
    card.entry("TRACK01 WAV", firsts[0], 0);
    card.entry("TRACK02 WAV", firsts[1], 0);
    card.entry("ZOOM0003WAV", firsts[2], 0);
    card.entry("ZOOM0004WAV", firsts[3], staleClusters * clusterBytes);
    card.entry("ZOOM0005WAV", firsts[4], static_cast<std::uint32_t>(recordingBytes), true);
    // Older files fill the rest: bytes that are no sound.
    std::uint32_t noise = 12345;
    for (; ok && cluster < card.count() + 2; ++cluster) {
        for (std::size_t i = 0; i < data.size(); i += 4) {
            noise = noise * 1664525u + 1013904223u;
            std::memcpy(data.data() + i, &noise, 4);
        }
        ok = card.write(card.at(cluster), data.data(), data.size());
    }
    ok = ok && card.finish() && ftruncate(fd, static_cast<off_t>(cardBytes)) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

// Reads the image once and writes as many bytes as the recordings hold to new
// files in folder as the reads go, each made durable with the folder at the
// end: what any recovery that writes them costs.
bool floorRun(const std::string& image, const std::string& folder) {
    std::vector<unsigned char> buffer(8 * MiB);
    const int in = open(image.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = in >= 0 && mkdir(folder.c_str(), 0755) == 0;
    std::vector<int> outs;
    for (int which = 0; ok && which < recordings; ++which) {
        const std::string path = folder + "/floor" + std::to_string(which) + ".wav";
        outs.push_back(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        ok = outs.back() >= 0;
    }
    std::uint64_t written = 0;
    for (ssize_t got = 1; ok && got > 0;) {
        got = read(in, buffer.data(), buffer.size());
        ok = got >= 0;
        const std::uint64_t count = std::min<std::uint64_t>(got > 0 ? static_cast<std::uint64_t>(got) : 0,
            recordings * recordingBytes - written);
        for (std::uint64_t done = 0; ok && done < count;) {
            const std::size_t which = static_cast<std::size_t>(written / recordingBytes);
            const std::uint64_t part = std::min(count - done, (which + 1) * recordingBytes - written);
            ok = write(outs[which], buffer.data() + done, part) == static_cast<ssize_t>(part);
            done += part;
            written += part;
        }
    }
    for (int out : outs)
        ok = out >= 0 && fsync(out) == 0 && close(out) == 0 && ok;
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = ok && dir >= 0 && fsync(dir) == 0;
    if (dir >= 0)
        close(dir);
    if (in >= 0)
        close(in);
    return ok;
}

int compare(const std::string& self, const std::string& image, const std::string& folder, const std::string& program,
    int rounds) {
    if (!enoughRoom(folder, 2 * recordings * recordingBytes))
        return 2;
    const std::string removal = "rm -rf '" + folder + "'";
    std::vector<double> cats, dry, recover, floor, dryRatios, recoverRatios, floorRatios;
    double dryPeak = 0, recoverPeak = 0;
    // Once to warm the page cache.
    timed({"cat", image});
    for (int i = 0; i < rounds; ++i) {
        const TimedRun cat = timed({"cat", image});
        const TimedRun scan = timed({program, "--recover", image, "--dry-run"});
        const TimedRun cat2 = timed({"cat", image});
        const TimedRun written = timed({program, "--recover", image, "--output", folder});
        const bool removed = std::system(removal.c_str()) == 0;
        const TimedRun cat3 = timed({"cat", image});
        const TimedRun least = timed({self, "floor", image, folder});
        if (std::system(removal.c_str()) != 0 || !removed
            || std::min({cat.seconds, scan.seconds, cat2.seconds, written.seconds, cat3.seconds, least.seconds}) < 0) {
            std::fprintf(stderr, "recover_bench: a run failed\n");
            return 2;
        }
        cats.insert(cats.end(), {cat.seconds, cat2.seconds, cat3.seconds});
        dry.push_back(scan.seconds);
        recover.push_back(written.seconds);
        floor.push_back(least.seconds);
        dryRatios.push_back(scan.seconds / cat.seconds);
        recoverRatios.push_back(written.seconds / cat2.seconds);
        floorRatios.push_back(written.seconds / least.seconds);
        dryPeak = std::max(dryPeak, scan.peakBytes);
        recoverPeak = std::max(recoverPeak, written.peakBytes);
    }
    std::printf("cat %.3f s; --dry-run %.3f s (%.2fx cat), peak %.1f MiB; --output %.3f s (%.2fx cat, %.2fx the floor "
                "%.3f s of reading once and writing 1.5 GiB durably), peak %.1f MiB; medians of %d rounds\n",
        median(cats), median(dry), median(dryRatios), dryPeak / MiB, median(recover), median(recoverRatios),
        median(floorRatios), median(floor), recoverPeak / MiB, rounds);
    return median(dryRatios) <= cardBudget && std::max(dryPeak, recoverPeak) < memoryBudget ? 0 : 1;
}

}

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "create" && argc == 3)
        return create(argv[2]) ? 0 : 2;
    if (mode == "floor" && argc == 4)
        return floorRun(argv[2], argv[3]) ? 0 : 2;
    if (mode == "compare" && (argc == 5 || argc == 6))
        return compare(argv[0], argv[2], argv[3], argv[4], argc == 6 ? std::max(1, std::atoi(argv[5])) : 5);
    std::fprintf(stderr, "Usage: recover_bench create IMAGE | floor IMAGE DIR | compare IMAGE DIR PROGRAM [ROUNDS]\n");
    return 64;
}

#include "AnyLayoutRepairer.h"
#include "HeaderReviver.h"
#include "PosixCreatedFile.h"
#include "PosixFileAccess.h"
#include "WaveHeader.h"
#include "WaveRepairer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>
#include <unistd.h>

// Repairs sparse files from 1 MiB to 16 GiB: the time of one repair must not
// depend on the size, since only the header (or, with any layout, the chunk
// headers and the ds64, fmt and fact bodies) is ever read or written. A
// revival of a lost header reads the same first MiB of any file.

namespace {

constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;

using Head = std::vector<unsigned char>;

// The bytes of a literal, its embedded NULs included.
template <std::size_t N>
Head bytes(const char (&literal)[N]) {
    return Head(literal, literal + N - 1);
}

Head operator+(Head a, const Head& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 16-bit stereo at 44100 Hz with every size zero, as a writer cut off at the
// start leaves it: the canonical header; a LIST chunk before the data; RF64;
// and RIFF with a JUNK chunk that leaves room for ds64.
const Head format = bytes("fmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0");
const Head canonical = bytes("RIFF\0\0\0\0WAVE") + format + bytes("data\0\0\0\0");
const Head withList =
    bytes("RIFF\0\0\0\0WAVE") + format + bytes("LIST\x1A\0\0\0INFOISFT\x0E\0\0\0a writer here\0data\0\0\0\0");
const Head rf64 =
    bytes("RF64\xFF\xFF\xFF\xFFWAVEds64\x1C\0\0\0") + Head(28, 0) + format + bytes("data\xFF\xFF\xFF\xFF");
const Head withJunk = bytes("RIFF\0\0\0\0WAVEJUNK\x1C\0\0\0") + Head(28, 0) + format + bytes("data\0\0\0\0");

// A zeroed first sector, then 2 MiB of 16-bit stereo sound.
Head lostHeader() {
    Head head(512, 0);
    for (int n = 0; n < 512 * 1024; ++n) {
        const double value = std::sin(n * 0.031) * (0.5 + 0.3 * std::sin(n * 0.0007));
        for (const double gain : {0.8, 0.5}) {
            const long sample = std::lround(gain * value * 32767);
            head.push_back(static_cast<unsigned char>(sample));
            head.push_back(static_cast<unsigned char>(sample >> 8));
        }
    }
    return head;
}

const Head lost = lostHeader();

bool putHead(const std::string& path, const Head& head) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = pwrite(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size());
    return close(fd) == 0 && ok;
}

bool makeSparse(const std::string& path, std::uint64_t size, const Head& head) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    return close(fd) == 0 && ok && putHead(path, head);
}

enum class Rule { Canonical, AnyLayout, Revival };

struct Case {
    const char* name;
    std::uint64_t size;
    const Head* head;
    Rule rule;
    RepairResult expected;
};

RepairResult repairOnce(const Case& c, const std::string& path) {
    if (c.rule == Rule::Canonical)
        return WaveRepairer().repair(path.c_str(), true);
    PosixFileAccess file;
    if (c.rule == Rule::AnyLayout) {
        LayoutFindings findings;
        return AnyLayoutRepairer().repair(file, path.c_str(), true, findings);
    }
    RevivalFormat format;
    statedFormat(44100, 16, 2, false, format);
    PosixCreatedFile beside;
    RevivalFindings findings;
    const std::string besidePath = path + ".wav";
    return HeaderReviver().revive(file, path.c_str(), format, beside, besidePath.c_str(), false, true, findings);
}

void repairSparseFile(benchmark::State& state, const Case& c, const std::string& path) {
    if (!makeSparse(path, c.size, *c.head)) {
        state.SkipWithError("cannot create the sparse file");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        // The first sector holds every field a repair or a revival writes.
        const bool reset =
            putHead(path, Head(c.head->begin(), c.head->begin() + std::min<std::size_t>(c.head->size(), 512)));
        state.ResumeTiming();
        const RepairResult result = repairOnce(c, path);
        if (!reset || result != c.expected) {
            state.SkipWithError("unexpected repair result");
            break;
        }
    }
    unlink(path.c_str());
}

}

int main(int argc, char** argv) {
    char pattern[] = "/tmp/sonorix-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string dir = pattern;

    static const Case cases[] = {
        {"repair/1 MiB", 1 * MiB, &canonical, Rule::Canonical, Repaired},
        {"repair/1 GiB", 1 * GiB, &canonical, Rule::Canonical, Repaired},
        {"repair/4 GiB + 7 (largest that fits)", 4 * GiB + 7, &canonical, Rule::Canonical, Repaired},
        {"repair/16 GiB (refused as Unsupported after reading the header)", 16 * GiB, &canonical, Rule::Canonical,
            Unsupported},
        {"any-layout/canonical/1 MiB", 1 * MiB, &canonical, Rule::AnyLayout, Repaired},
        {"any-layout/LIST before data/1 MiB", 1 * MiB, &withList, Rule::AnyLayout, Repaired},
        {"any-layout/LIST before data/4 GiB + 7", 4 * GiB + 7, &withList, Rule::AnyLayout, Repaired},
        {"any-layout/RF64/1 MiB", 1 * MiB, &rf64, Rule::AnyLayout, Repaired},
        {"any-layout/RF64/16 GiB", 16 * GiB, &rf64, Rule::AnyLayout, Repaired},
        {"any-layout/RIFF with JUNK becomes RF64/16 GiB", 16 * GiB, &withJunk, Rule::AnyLayout, Repaired},
        {"any-layout/RIFF without room/16 GiB (refused)", 16 * GiB, &withList, Rule::AnyLayout, Unsupported},
        {"revival/in place/3 MiB", 3 * MiB, &lost, Rule::Revival, Repaired},
        {"revival/in place/1 GiB", 1 * GiB, &lost, Rule::Revival, Repaired},
        {"revival/in place, RF64/16 GiB", 16 * GiB, &lost, Rule::Revival, Repaired},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/" + std::to_string(c.size) + ".wav";
        benchmark::RegisterBenchmark(c.name, repairSparseFile, c, path)->Unit(benchmark::kMicrosecond);
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rmdir(dir.c_str());
    return 0;
}

#include "WaveHeader.h"
#include "WaveRepairer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

// Repairs sparse files from 1 MiB to 16 GiB: the time of one repair must not
// depend on the size, since only the 44-byte header is ever read or written.

namespace {

constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;

WaveHeader cutHeader()
{
    WaveHeader header;
    std::memcpy(header.bytes, "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0data\0\0\0\0", WaveHeader::size);
    return header;
}

bool putHeader(const std::string& path, const WaveHeader& header)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = pwrite(fd, header.bytes, WaveHeader::size, 0) == static_cast<ssize_t>(WaveHeader::size);
    return close(fd) == 0 && ok;
}

bool makeSparse(const std::string& path, std::uint64_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    return close(fd) == 0 && ok && putHeader(path, cutHeader());
}

void repairSparseFile(benchmark::State& state, const std::string& path, std::uint64_t size, RepairResult expected)
{
    if (!makeSparse(path, size)) {
        state.SkipWithError("cannot create the sparse file");
        return;
    }
    const WaveRepairer repairer;
    for (auto _ : state) {
        state.PauseTiming();
        const bool reset = putHeader(path, cutHeader());
        state.ResumeTiming();
        const RepairResult result = repairer.repair(path.c_str(), true);
        if (!reset || result != expected) {
            state.SkipWithError("unexpected repair result");
            break;
        }
    }
    unlink(path.c_str());
}

}

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/sonorix-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string dir = pattern;

    struct Case {
        const char* name;
        std::uint64_t size;
        RepairResult expected;
    };
    const Case cases[] = {
        {"repair/1 MiB", 1 * MiB, Repaired},
        {"repair/1 GiB", 1 * GiB, Repaired},
        {"repair/4 GiB + 7 (largest that fits)", 4 * GiB + 7, Repaired},
        {"repair/16 GiB (refused as Unsupported after reading the header)", 16 * GiB, Unsupported},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/" + std::to_string(c.size) + ".wav";
        benchmark::RegisterBenchmark(c.name, repairSparseFile, path, c.size, c.expected)
            ->Unit(benchmark::kMicrosecond);
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rmdir(dir.c_str());
    return 0;
}

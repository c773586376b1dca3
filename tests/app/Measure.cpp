#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "SonorixProcess.h"
#include "TestFiles.h"

// Times this build's Sonorix.exe as a user meets it: from process start to
// the visible main window, and from pressing Run to the result box. Prints
// the median, fastest and slowest of each. Not a test: the figures depend
// on the machine.

namespace {

double now() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-32s median %7.1f ms   fastest %7.1f ms   slowest %7.1f ms   (%zu samples)\n",
                what, times[times.size() / 2], times.front(), times.back(), times.size());
}

} // namespace

int main(int argc, char** argv) {
    int rounds = std::max(argc > 1 ? std::atoi(argv[1]) : 10, 1);
    std::string path = scratchFolder("measure") + "\\cut.wav";
    // A recording whose sizes were never filled in.
    std::vector<unsigned char> recording = waveBytes(HeaderFields(), 1000000);
    std::vector<double> startTimes;
    std::vector<double> runTimes;
    for (int round = 0; round < rounds; ++round) {
        SonorixProcess process;
        process.pollInterval = 1;
        double started = now();
        if (!process.start("") || !process.waitMainWindow()) {
            std::printf("round %d: the main window did not appear\n", round);
            return 1;
        }
        startTimes.push_back(now() - started);
        for (int run = 0; run < 3; ++run) {
            if (!writeFile(path, recording) || !process.setFileName(path)) {
                std::printf("round %d: could not prepare %s\n", round, path.c_str());
                return 1;
            }
            double pressed = now();
            process.postCommand(1001);
            HWND box = process.waitMessageBox();
            if (!box) {
                std::printf("round %d: no result box\n", round);
                return 1;
            }
            runTimes.push_back(now() - pressed);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            process.waitGone(box);
        }
    }
    report("start to visible main window", startTimes);
    report("Run to result box (1 MB file)", runTimes);
    return 0;
}

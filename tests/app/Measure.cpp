#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "SonorixProcess.h"
#include "TestFiles.h"

// Times this build's Sonorix.exe as a user meets it: from process start to
// the visible main window, and from pressing Run to the result box, and
// prints the median, fastest and slowest of each. The figures depend on the
// machine, so this is no test.

namespace {

double now() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-32s median %7.1f ms   fastest %7.1f ms   slowest %7.1f ms   (%zu samples)\n", what,
        times[times.size() / 2], times.front(), times.back(), times.size());
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
        bool working = process.start("") && process.waitMainWindow();
        startTimes.push_back(now() - started);
        for (int run = 0; working && run < 3; ++run) {
            working = writeFile(path, recording) && process.setFileName(path);
            started = now();
            process.postCommand(1001);
            HWND box = working ? process.waitMessageBox() : nullptr;
            runTimes.push_back(now() - started);
            working = box && PostMessageA(box, WM_COMMAND, IDOK, 0) && process.waitGone(box);
        }
        if (!working) {
            std::printf("round %d: no main window or no result box\n", round);
            return 1;
        }
    }
    report("start to visible main window", startTimes);
    report("Run to result box (1 MB file)", runTimes);
    return 0;
}

#pragma once

#include <string>
#include <vector>

// A command run to its end by a benchmark: its wall time and the peak
// resident memory of the child; seconds is -1 where it could not run or did
// not exit with status 0.
struct TimedRun {
    double seconds = -1;
    double peakBytes = 0;
};

// Runs command (looked up on PATH where it has no slash) with its standard
// output into out and its standard error into /dev/null.
TimedRun timed(const std::vector<std::string>& command, const char* out = "/dev/null");

double median(std::vector<double> values);

#pragma once

#include <string>
#include <vector>

// One run of a program to its end: what it printed and how it exited. A run
// that outlasts its time-out is killed and reports status -1.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// On POSIX the program runs with LANG set to lang and neither LC_ALL nor
// LC_MESSAGES, whatever the tests run under; under Wine it speaks the
// session's language, and lang is not used.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, int timeoutMilliseconds = 20000,
    const std::string& lang = "C");

// The sonorix-repair under test: $SONORIX_REPAIR where set (a copy that
// another user can run), else the one this build made.
std::string repairProgram();

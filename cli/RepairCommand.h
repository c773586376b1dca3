#pragma once

#include <string>
#include <vector>

// Runs sonorix-repair over its arguments (UTF-8, the program's name left
// out) and returns its exit status.
int runRepairCommand(const std::vector<std::string>& args);

#include "RepairCommand.h"

int main(int argc, char** argv) {
    return runRepairCommand(std::vector<std::string>(argv + 1, argv + argc));
}

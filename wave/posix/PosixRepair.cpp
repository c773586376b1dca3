#include "PosixFileAccess.h"
#include "WaveRepairer.h"

RepairResult WaveRepairer::repair(const char* path, bool keepTime) const {
    PosixFileAccess file;
    return repair(file, path, keepTime);
}

#include "Win32FileAccess.h"
#include "WaveRepairer.h"

RepairResult WaveRepairer::repair(const char* path, bool keepTime) const {
    Win32FileAccess file;
    return repair(file, path, keepTime);
}

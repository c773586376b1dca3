#include "AnyLayoutRepairer.h"

#include "RepairPlan.h"

namespace {

// Judges the open file: Repaired with the plan's writes to make, or the
// outcome that ends the repair here.
RepairResult examine(RandomFileAccess& file, FileTime& lastWrite, LayoutFindings& findings) {
    SizePlan& plan = findings.plan;
    // Read whether or not it will be restored, so a file whose time cannot be
    // read is refused the same way in both modes.
    if (!file.getLastWriteTime(lastWrite) || !file.getSize(findings.fileSize)
        || !planRepair(file, findings.fileSize, plan, findings))
        return FileError;
    if (findings.fault != LayoutFault::None)
        return Unsupported;
    return plan.count == 0 ? AlreadyValid : Repaired;
}

// A device writes a 512-byte sector whole or not at all, so writes that stay
// within one sector reach the disk in their order without a flush between.
constexpr std::uint64_t sectorSize = 512;

bool inOneSector(const SizePlan::Write& a, const SizePlan::Write& b) {
    const std::uint64_t sector = a.offset / sectorSize;
    return (a.offset + a.count - 1) / sectorSize == sector && b.offset / sectorSize == sector
        && (b.offset + b.count - 1) / sectorSize == sector;
}

// Writes the plan in its order, flushing between writes in different sectors.
// The last writes stay unflushed: making them durable is the file layer's,
// at close.
RepairResult write(RandomFileAccess& file, const SizePlan& plan) {
    for (std::size_t i = 0; i < plan.count; ++i) {
        const SizePlan::Write& field = plan.writes[i];
        std::uint32_t done = 0;
        if ((i > 0 && !inOneSector(plan.writes[i - 1], field) && !file.flush())
            || !file.writeAt(field.offset, field.bytes, field.count, done) || done != field.count)
            return FileError;
    }
    return Repaired;
}

}

RepairResult AnyLayoutRepairer::repair(RandomFileAccess& file, const char* path, bool keepTime,
    LayoutFindings& findings) const {
    if (!file.open(path))
        return FileError;
    FileTime lastWrite;
    RepairResult result = examine(file, lastWrite, findings);
    if (result == Repaired)
        result = write(file, findings.plan);
    if (result == Repaired && keepTime && !file.setLastWriteTime(lastWrite))
        result = FileError;
    // A rewrite that the system could not get to the file is no repair.
    if (!file.close() && result == Repaired)
        result = FileError;
    return result;
}

RepairResult AnyLayoutRepairer::inspect(RandomFileAccess& file, const char* path, LayoutFindings& findings) const {
    if (!file.open(path))
        return FileError;
    FileTime lastWrite;
    const RepairResult result = examine(file, lastWrite, findings);
    file.close();
    return result;
}

#include "FieldChanges.h"

#include "WaveRepairer.h"

#include <algorithm>

namespace {

FieldChange field(std::uint64_t offset, const unsigned char* before, const unsigned char* after, unsigned count) {
    FieldChange change;
    change.offset = offset;
    change.count = count;
    std::copy(before, before + count, change.before);
    std::copy(after, after + count, change.after);
    return change;
}

}

std::vector<FieldChange> canonicalChanges(const RepairFindings& findings) {
    WaveHeader repaired = findings.header;
    WaveRepairer().setSizes(repaired, findings.fileSize);
    std::vector<FieldChange> changes;
    changes.reserve(2);
    for (unsigned offset : {4u, 40u})
        changes.push_back(field(offset, findings.header.bytes + offset, repaired.bytes + offset, 4));
    return changes;
}

std::vector<FieldChange> layoutChanges(const SizePlan& plan) {
    std::vector<FieldChange> changes;
    changes.reserve(plan.count);
    for (std::size_t i = 0; i < plan.count; ++i) {
        const SizePlan::Write& write = plan.writes[i];
        changes.push_back(field(write.offset, write.before, write.bytes, write.count));
    }
    return changes;
}

#include "RepairPlan.h"

#include "AiffSizePlan.h"
#include "RiffSizePlan.h"

namespace {

// Walks the file as a container of Layout with read, and plans its repair
// with planSizes; a fault in what follows the audio is named where it lies.
template <typename Layout, typename Read, typename PlanSizes>
bool walkAndPlan(RandomFileAccess& file, const unsigned char* form, std::uint64_t fileSize, SizePlan& plan,
    LayoutFindings& findings, Read read, PlanSizes planSizes) {
    Layout layout;
    if (!read(file, form, fileSize, layout, findings))
        return false;
    if (findings.fault != LayoutFault::None)
        return true;
    findings.fault = planSizes(layout, fileSize, plan);
    if (findings.fault != LayoutFault::None) {
        findings.offset = layout.audioEnd.at;
        findings.tag = layout.audioEnd.tag;
    }
    return true;
}

}

bool planRepair(RandomFileAccess& file, std::uint64_t fileSize, SizePlan& plan, LayoutFindings& findings) {
    unsigned char form[12];
    if (fileSize < sizeof form || !readWhole(file, 0, form, sizeof form))
        return false;
    if (isAiffForm(form))
        return walkAndPlan<AiffLayout>(file, form, fileSize, plan, findings, readAiffLayout, planAiffSizes);
    return walkAndPlan<RiffLayout>(file, form, fileSize, plan, findings, readRiffLayout, planRiffSizes);
}

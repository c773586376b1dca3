#include "RepairPlan.h"

#include "AiffSizePlan.h"
#include "RiffSizePlan.h"

bool planRepair(RandomFileAccess& file, std::uint64_t fileSize, SizePlan& plan, LayoutFindings& findings) {
    unsigned char form[12];
    if (fileSize < sizeof form || !readWhole(file, 0, form, sizeof form))
        return false;
    if (isAiffForm(form))
        return planAiffRepair(file, form, fileSize, plan, findings);
    return planRiffRepair(file, form, fileSize, plan, findings);
}

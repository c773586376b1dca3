#pragma once

#include "Outcome.h"
#include "RepairFindings.h"
#include "SizePlan.h"

#include <vector>

// The fields the canonical rule writes to the header it read: the RIFF size
// (bytes 4-7) and the data size (bytes 40-43).
std::vector<FieldChange> canonicalChanges(const RepairFindings& findings);

// The writes of the any-layout rule's plan, in their order.
std::vector<FieldChange> layoutChanges(const SizePlan& plan);

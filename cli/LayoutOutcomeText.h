#pragma once

#include "LayoutFindings.h"

#include <string>

// Why the any-layout rule refused a file: what it could not explain, and
// where.
std::string layoutUnsupportedReason(const LayoutFindings& findings);

// What went wrong with the file under the any-layout rule, given why its
// file layer failed (empty when it reported nothing).
std::string layoutFileErrorReason(const LayoutFindings& findings, const std::string& layerReason);

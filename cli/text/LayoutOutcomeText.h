#pragma once

#include "Catalog.h"
#include "LayoutFindings.h"

#include <string>

// Why the any-layout rule refused a file: what it could not explain, and
// where.
std::string layoutUnsupportedReason(Language language, const LayoutFindings& findings);

// What went wrong with the file under the any-layout rule, given why its
// file layer failed (empty when it reported nothing).
std::string layoutFileErrorReason(Language language, const LayoutFindings& findings, const std::string& layerReason);

// A format tag as the reasons show it: "0x0002".
std::string formatCode(std::uint16_t tag);

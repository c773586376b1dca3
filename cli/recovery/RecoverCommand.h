#pragma once

#include "Catalog.h"
#include "CommandOptions.h"

// Runs sonorix-repair --recover SOURCE --output DIR: a line (or a JSON
// object) for each recording, notes and a summary on standard error, the
// progress of a long scan on a terminal, in language. Returns the exit status:
// 0 the scan finished, 1 some recording of an unsupported format, 2 some file
// error, 130 interrupted (the recordings not yet whole removed).
int runRecovery(const CommandOptions& options, Language language);

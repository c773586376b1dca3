#pragma once

#include "Catalog.h"

#include <string>

// Standard output and standard error as sonorix-repair uses them, one
// implementation per platform: text is UTF-8, and reaches a console in a form
// it shows whatever the system's code page.
namespace console {

void writeOut(const std::string& text);
void writeError(const std::string& text);
// Flushes standard output; false when what was written did not all arrive.
bool finishOut();
bool outIsTerminal();
bool errorIsTerminal();
// Where the program was started on a console of its own (dropped onto its
// icon), says so in language and waits for a key, so that its lines can be
// read.
void waitIfOwnConsole(Language language);

}

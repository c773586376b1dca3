#include "Console.h"

#include <cstdio>
#include <unistd.h>

namespace console {

void writeOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void writeError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool finishOut() {
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool outIsTerminal() {
    return isatty(1) == 1;
}

bool errorIsTerminal() {
    return isatty(2) == 1;
}

// A POSIX terminal outlives the programs it starts.
void waitIfOwnConsole(Language) {}

}

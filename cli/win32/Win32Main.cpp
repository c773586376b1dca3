#include "RepairCommand.h"
#include "WideText.h"
#include "Win32DroppedCards.h"

// The arguments as UTF-16, so a name the code page cannot hold arrives whole.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(toUtf8(argv[i]));
    int status = 0;
    if (recoverDroppedCards(args, status))
        return status;
    return runRepairCommand(args);
}

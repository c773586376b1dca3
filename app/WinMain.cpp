#include <windows.h>

#include "Application.h"
#include "ToolLoop.h"

// The program's life: the Application first, the loop inside it, and the
// loop's result as the exit code. Both are destroyed in reverse order.
int appMain(HINSTANCE instance, int showCommand, bool initCommonControls) {
    Application application(instance, initCommonControls);
    ToolLoop loop;
    return loop.runProgram(showCommand);
}

// The command line is read by the Application itself, not taken from here.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return appMain(instance, showCommand, true);
}

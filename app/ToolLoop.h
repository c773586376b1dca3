#pragma once

#include "MessageLoop.h"

// The main thread's loop: its program body creates, shows and seeds the main
// dialog, then runs the loop until the dialog has been destroyed.
class ToolLoop : public MessageLoop {
public:
    // 0 without a window when the dialog cannot be created or bound.
    int runProgram(int showCommand) override;
};

#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "Application.h"
#include "MessageLoop.h"

// The test thread as the program's main thread: the Application, then its loop.
class FrameworkFixture : public ::testing::Test {
protected:
    Application application{GetModuleHandleA(nullptr), false};
    MessageLoop loop;
};

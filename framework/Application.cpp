#include "Application.h"

#include <commctrl.h>

Application* currentApplication = nullptr;

Application::Application(HINSTANCE moduleInstance, bool initCommonControls) {
    InitializeCriticalSection(&loopLock);
    if (initCommonControls) {
        InitCommonControls();
    }
    instance = moduleInstance;
    readVersionStrings();
    currentApplication = this;
}

Application::~Application() {
    currentApplication = nullptr;
    DeleteCriticalSection(&loopLock);
    loops.clear();
}

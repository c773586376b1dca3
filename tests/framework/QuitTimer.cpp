#include "QuitTimer.h"

namespace {

thread_local bool timerFired = false;

void CALLBACK quitOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    timerFired = true;
    PostQuitMessage(QuitTimer::exitCode);
}

} // namespace

QuitTimer::QuitTimer(UINT milliseconds) {
    timerFired = false;
    timer = SetTimer(nullptr, 0, milliseconds, quitOnTimer);
}

QuitTimer::~QuitTimer() {
    KillTimer(nullptr, timer);
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

bool QuitTimer::fired() const {
    return timerFired;
}

#pragma once

#include <windows.h>

// A watchdog for the calling thread: when the time runs out it posts WM_QUIT
// with exitCode, which ends any message loop, modal dialog or message box the
// test is waiting in. Leftover quit messages are drained at destruction.
class QuitTimer {
public:
    static constexpr int exitCode = 99;

    explicit QuitTimer(UINT milliseconds = 15000);
    ~QuitTimer();
    QuitTimer(const QuitTimer&) = delete;
    QuitTimer& operator=(const QuitTimer&) = delete;

    bool fired() const;

private:
    UINT_PTR timer;
};

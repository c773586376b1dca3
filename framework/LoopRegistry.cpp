#include <algorithm>
#include <new>

#include "Application.h"
#include "MessageLoop.h"
#include "WindowObject.h"

namespace {

class LoopLockHolder {
public:
    explicit LoopLockHolder(CRITICAL_SECTION& lock) : lock(lock) { EnterCriticalSection(&lock); }
    ~LoopLockHolder() { LeaveCriticalSection(&lock); }
    LoopLockHolder(const LoopLockHolder&) = delete;
    LoopLockHolder& operator=(const LoopLockHolder&) = delete;

private:
    CRITICAL_SECTION& lock;
};

} // namespace

// Out of memory leaves the loop unregistered: its thread's dialogs are then not
// pre-translated and its hook finds no loop, which both tolerate.
void Application::registerLoop(MessageLoop* loop) {
    LoopLockHolder holder(loopLock);
    try {
        loops.push_front(loop);
    } catch (const std::bad_alloc&) {
    }
}

void Application::unregisterLoop(MessageLoop* loop) {
    LoopLockHolder holder(loopLock);
    const auto found = std::find(loops.begin(), loops.end(), loop);
    if (found != loops.end()) {
        loops.erase(found);
    }
}

// The list changes inside the lock; the object itself is not called there.
void Application::registerWindow(WindowObject* object) {
    const DWORD id = GetWindowThreadProcessId(object->hwnd, nullptr);
    LoopLockHolder holder(loopLock);
    for (MessageLoop* loop : loops) {
        if (loop->threadId == id) {
            try {
                loop->addWindow(object);
            } catch (const std::bad_alloc&) {
            }
            return;
        }
    }
}

// Removes the object from the newest loop of its thread that holds it: a loop
// constructed on the thread after the registration must not leave it behind.
void Application::unregisterWindow(WindowObject* object) {
    const DWORD id = GetWindowThreadProcessId(object->hwnd, nullptr);
    LoopLockHolder holder(loopLock);
    for (MessageLoop* loop : loops) {
        const auto& windows = loop->windows;
        if (loop->threadId == id && std::find(windows.begin(), windows.end(), object) != windows.end()) {
            loop->removeWindow(object);
            return;
        }
    }
}

MessageLoop* Application::findLoop(DWORD threadId) {
    LoopLockHolder holder(loopLock);
    for (MessageLoop* loop : loops) {
        if (loop->threadId == threadId) {
            return loop;
        }
    }
    return nullptr;
}

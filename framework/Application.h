#pragma once

#include <windows.h>

#include <list>

#include "ApplicationBase.h"

class MessageLoop;
class WindowObject;

// The process's one application object: ApplicationBase plus the registry of
// per-thread message loops and the lock that guards it.
class Application : public ApplicationBase {
public:
    Application(HINSTANCE instance, bool initCommonControls);
    ~Application() override;

    void registerLoop(MessageLoop* loop);
    void unregisterLoop(MessageLoop* loop);
    // Adds the object to / removes it from the pre-translation list of the
    // loop of its window's thread; nothing when that thread has no loop.
    void registerWindow(WindowObject* object);
    void unregisterWindow(WindowObject* object);
    // The newest loop of the thread, or null; takes loopLock for the walk only.
    MessageLoop* findLoop(DWORD threadId);

    CRITICAL_SECTION loopLock;
    std::list<MessageLoop*> loops;
};

// Set at the end of Application's constructor, cleared first in its destructor.
extern Application* currentApplication;

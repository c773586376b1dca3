#pragma once

#include <windows.h>

#include <list>

class WindowObject;

// One per GUI thread: runs the thread's message loop, offers every message to
// the thread's modeless dialogs first, and hooks WH_MSGFILTER for the thread.
// Constructed on its thread while the Application exists.
class MessageLoop {
public:
    MessageLoop();
    virtual ~MessageLoop();
    virtual int runProgram(int showCommand);
    virtual int runLoop();

    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    bool preTranslate(MSG* message);
    LRESULT filterMessage(int code, WPARAM wParam, LPARAM lParam);
    void addWindow(WindowObject* object);
    void removeWindow(WindowObject* object);

    DWORD threadId = 0;
    HHOOK hook = nullptr;
    std::list<WindowObject*> windows;
    std::list<WindowObject*> filters;
};

LRESULT CALLBACK msgFilterHook(int code, WPARAM wParam, LPARAM lParam);

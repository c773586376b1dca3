#include "MessageLoop.h"

#include <algorithm>
#include <new>

#include "Application.h"
#include "WindowObject.h"

namespace {

// Offers code and data to every object of a referenced copy of the list, front to
// back, until one answers non-zero (or the answer stop, when given); the copy keeps
// an object alive that is destroyed and unregistered while it is asked.
int offerToCopy(const std::list<WindowObject*>& objects, int code, LONG_PTR data, int stop) {
    if (objects.empty()) {
        return 0;
    }
    std::list<WindowObject*> copy;
    try {
        copy = objects;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (WindowObject* object : copy) {
        object->notify(AddRef, 0);
    }
    int answer = 0;
    for (WindowObject* object : copy) {
        const int result = object->notify(code, data);
        if (stop != 0 ? result == stop : result != 0) {
            answer = result;
            break;
        }
    }
    for (WindowObject* object : copy) {
        object->notify(Release, 0);
    }
    return answer;
}

} // namespace

MessageLoop::MessageLoop() : threadId(GetCurrentThreadId()) {
    currentApplication->registerLoop(this);
    hook = SetWindowsHookExA(WH_MSGFILTER, msgFilterHook, currentApplication->instance, threadId);
}

MessageLoop::~MessageLoop() {
    if (hook != nullptr) {
        UnhookWindowsHookEx(hook);
    }
    if (currentApplication != nullptr) {
        currentApplication->unregisterLoop(this);
    }
}

int MessageLoop::runProgram(int) {
    return 0;
}

int MessageLoop::runLoop() {
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!preTranslate(&message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : -1;
}

bool MessageLoop::preTranslate(MSG* message) {
    return offerToCopy(windows, PreTranslate, reinterpret_cast<LONG_PTR>(message), Handled) == Handled;
}

LRESULT MessageLoop::filterMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code < 0) {
        return CallNextHookEx(hook, code, wParam, lParam);
    }
    if (code > 0) {
        return 0;
    }
    return offerToCopy(filters, MsgFilter, lParam, 0);
}

void MessageLoop::addWindow(WindowObject* object) {
    windows.push_front(object);
}

void MessageLoop::removeWindow(WindowObject* object) {
    const auto found = std::find(windows.begin(), windows.end(), object);
    if (found != windows.end()) {
        windows.erase(found);
    }
}

LRESULT CALLBACK msgFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code > 0) {
        return 0;
    }
    MessageLoop* loop = currentApplication != nullptr ? currentApplication->findLoop(GetCurrentThreadId()) : nullptr;
    if (loop == nullptr) {
        return code < 0 ? CallNextHookEx(nullptr, code, wParam, lParam) : 0;
    }
    return loop->filterMessage(code, wParam, lParam);
}

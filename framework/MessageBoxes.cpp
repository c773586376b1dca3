#include "ApplicationBase.h"

#include "HeapString.h"

int ApplicationBase::messageBox(HWND owner, const char* text, const char* caption, UINT style) const {
    if (owner == nullptr) {
        owner = mainWindow;
    }
    if (caption == nullptr) {
        caption = title();
    }
    return MessageBoxA(owner, text, caption, style);
}

int ApplicationBase::messageBoxId(HWND owner, UINT id, const char* caption, UINT style) const {
    const HeapString text(loadString(id));
    return messageBox(owner, text ? text.get() : "", caption, style);
}

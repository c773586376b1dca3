#pragma once

#include <windows.h>

#include "WindowObject.h"

// A dialog's object. Subclasses override only the destructor and windowProc,
// passing every message they do not handle to DialogObject::windowProc.
class DialogObject : public WindowObject {
public:
    DialogObject();
    int notify(int code, LONG_PTR data) override;
    ~DialogObject() override;
    virtual int windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Data exchange and prompts. save true reads the controls into the fields,
    // false fills the controls from the fields.
    void warnField(int controlId, const char* text);
    void warnFieldById(int controlId, UINT stringId);
    void warnTooLong(int controlId, unsigned capacity);
    bool exchangeCheck(bool save, int controlId, bool& flag);
    bool exchangeText(bool save, int controlId, char* buffer, unsigned capacity);

    bool modeless = false;
};

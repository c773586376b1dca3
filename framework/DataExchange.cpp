#include <cstring>

#include "Application.h"
#include "DialogObject.h"
#include "FrameworkStrings.h"
#include "HeapString.h"

namespace {

enum class ControlClass { Other, Edit, ComboBox };

// The system's class names compared without regard to ASCII letter case; a class
// name that cannot be read counts as another class.
ControlClass controlClass(HWND control) {
    char name[64] = {};
    if (control == nullptr || GetClassNameA(control, name, sizeof name) == 0) {
        return ControlClass::Other;
    }
    for (char* letter = name; *letter != '\0'; ++letter) {
        if (*letter >= 'a' && *letter <= 'z') {
            *letter = static_cast<char>(*letter - 'a' + 'A');
        }
    }
    if (std::strcmp(name, "EDIT") == 0) {
        return ControlClass::Edit;
    }
    if (std::strcmp(name, "COMBOBOX") == 0) {
        return ControlClass::ComboBox;
    }
    return ControlClass::Other;
}

} // namespace

void DialogObject::warnField(int controlId, const char* text) {
    char caption[256] = {};
    if (GetWindowTextA(hwnd, caption, sizeof caption) == 0) {
        caption[0] = '\0';
    }
    MessageBoxA(hwnd, text != nullptr ? text : "", caption, MB_ICONWARNING);
    const HWND control = GetDlgItem(hwnd, controlId);
    if (!IsWindowVisible(control)) {
        return;
    }
    SetFocus(control);
    switch (controlClass(control)) {
    case ControlClass::Edit:
        SendMessageA(control, EM_SETSEL, 0, -1);
        break;
    case ControlClass::ComboBox:
        SendMessageA(control, CB_SETEDITSEL, 0, static_cast<LPARAM>(0xFFFF0000u));
        break;
    case ControlClass::Other:
        break;
    }
}

void DialogObject::warnFieldById(int controlId, UINT stringId) {
    const HeapString text(currentApplication != nullptr ? currentApplication->loadString(stringId) : nullptr);
    warnField(controlId, text.get());
}

void DialogObject::warnTooLong(int controlId, unsigned capacity) {
    const HeapString text(
        currentApplication != nullptr ? currentApplication->formatString(IDS_FRAMEWORK_TOO_LONG, capacity) : nullptr);
    warnField(controlId, text.get());
}

bool DialogObject::exchangeCheck(bool save, int controlId, bool& flag) {
    if (save) {
        flag = IsDlgButtonChecked(hwnd, controlId) == BST_CHECKED;
    } else {
        CheckDlgButton(hwnd, controlId, flag ? BST_CHECKED : BST_UNCHECKED);
    }
    return true;
}

bool DialogObject::exchangeText(bool save, int controlId, char* buffer, unsigned capacity) {
    if (save) {
        buffer[0] = '\0';
        GetDlgItemTextA(hwnd, controlId, buffer, static_cast<int>(capacity));
        // The copy never reports a cut text, so the control's own length decides.
        const HWND control = GetDlgItem(hwnd, controlId);
        if (capacity != 0 && control != nullptr && static_cast<unsigned>(GetWindowTextLengthA(control)) >= capacity) {
            warnTooLong(controlId, capacity);
            return false;
        }
        return true;
    }
    if (capacity != 0) {
        const HWND control = GetDlgItem(hwnd, controlId);
        switch (controlClass(control)) {
        case ControlClass::Edit:
            SendMessageA(control, EM_LIMITTEXT, capacity - 1, 0);
            break;
        case ControlClass::ComboBox:
            SendMessageA(control, CB_LIMITTEXT, capacity - 1, 0);
            break;
        case ControlClass::Other:
            break;
        }
    }
    return SetDlgItemTextA(hwnd, controlId, buffer) != FALSE;
}

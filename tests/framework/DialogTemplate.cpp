#include "DialogTemplate.h"

#include "AnsiText.h"

DialogTemplate::DialogTemplate(DWORD style, const char* caption, short cx, short cy)
    : words{LOWORD(style), HIWORD(style), 0, 0, 0, 0, 0, static_cast<WORD>(cx), static_cast<WORD>(cy), 0 /* no menu */,
        0 /* default dialog class */},
      countIndex(4) {
    text(caption);
}

void DialogTemplate::text(const char* utf8) {
    for (wchar_t c : wideText(utf8)) {
        words.push_back(static_cast<WORD>(c));
    }
    words.push_back(0);
}

DialogTemplate& DialogTemplate::control(const char* className, WORD id, DWORD style, short x, short y, short cx,
    short cy, const char* caption) {
    if (words.size() % 2 != 0) {
        words.push_back(0); // items start on a DWORD boundary
    }
    style |= WS_CHILD;
    words.insert(words.end(),
        {LOWORD(style), HIWORD(style), 0, 0, static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(cx),
            static_cast<WORD>(cy), id});
    ++words[countIndex];
    if (IS_INTRESOURCE(className)) {
        words.insert(words.end(), {0xFFFF, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(className))});
    } else {
        text(className);
    }
    text(caption);
    words.push_back(0); // no creation data
    return *this;
}

const DLGTEMPLATE* DialogTemplate::get() const {
    return reinterpret_cast<const DLGTEMPLATE*>(words.data());
}

#include "DialogTemplate.h"

#include "AnsiText.h"

namespace {

void pushDword(std::vector<WORD>& words, DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

} // namespace

DialogTemplate::DialogTemplate(DWORD style, const char* caption, short cx, short cy) {
    pushDword(words, style);
    pushDword(words, 0);
    countIndex = words.size();
    words.push_back(0);
    words.push_back(0);
    words.push_back(0);
    words.push_back(static_cast<WORD>(cx));
    words.push_back(static_cast<WORD>(cy));
    words.push_back(0); // no menu
    words.push_back(0); // default dialog class
    text(caption);
}

void DialogTemplate::align() {
    if (words.size() % 2 != 0) {
        words.push_back(0);
    }
}

void DialogTemplate::text(const char* utf8) {
    for (wchar_t c : wideText(utf8)) {
        words.push_back(static_cast<WORD>(c));
    }
    words.push_back(0);
}

void DialogTemplate::addItemHeader(WORD id, DWORD style, short x, short y, short cx, short cy) {
    align();
    pushDword(words, style | WS_CHILD);
    pushDword(words, 0);
    words.push_back(static_cast<WORD>(x));
    words.push_back(static_cast<WORD>(y));
    words.push_back(static_cast<WORD>(cx));
    words.push_back(static_cast<WORD>(cy));
    words.push_back(id);
    ++words[countIndex];
}

DialogTemplate& DialogTemplate::control(WORD classAtom, WORD id, DWORD style, short x, short y, short cx,
                                        short cy, const char* caption) {
    addItemHeader(id, style, x, y, cx, cy);
    words.push_back(0xFFFF);
    words.push_back(classAtom);
    text(caption);
    words.push_back(0); // no creation data
    return *this;
}

DialogTemplate& DialogTemplate::control(const char* className, WORD id, DWORD style, short x, short y,
                                        short cx, short cy, const char* caption) {
    addItemHeader(id, style, x, y, cx, cy);
    text(className);
    text(caption);
    words.push_back(0);
    return *this;
}

const DLGTEMPLATE* DialogTemplate::get() const {
    return reinterpret_cast<const DLGTEMPLATE*>(words.data());
}

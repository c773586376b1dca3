#pragma once

#include <windows.h>

#include <vector>

// Builds a classic in-memory dialog template, so tests can create dialogs
// without a resource script.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, const char* caption, short cx, short cy);

    // Adds a control of a predefined class atom (0x0080 button, 0x0081 edit,
    // 0x0083 list box, 0x0085 combo box) or of a class given by name.
    DialogTemplate& control(WORD classAtom, WORD id, DWORD style, short x, short y, short cx, short cy,
        const char* text = "") {
        return control(MAKEINTRESOURCEA(classAtom), id, style, x, y, cx, cy, text);
    }
    DialogTemplate& control(const char* className, WORD id, DWORD style, short x, short y, short cx, short cy,
        const char* text = "");

    const DLGTEMPLATE* get() const;

private:
    void text(const char* utf8);

    std::vector<WORD> words;
    std::size_t countIndex;
};

#pragma once

#include "ByteReader.h"

#include <windows.h>

struct DialogItem {
    DLGITEMTEMPLATE fixed;
    TextOrOrdinal windowClass;
    TextOrOrdinal text;
    std::uint16_t extraBytes = 0;
};

struct DialogTemplate {
    DLGTEMPLATE fixed;
    TextOrOrdinal menu;
    TextOrOrdinal windowClass;
    std::u16string caption;
    std::uint16_t pointSize = 0;
    std::u16string face;
    std::vector<DialogItem> items;
};

// Reads a classic (not extended) dialog template. False for an extended
// template, a truncated one, or bytes left over after the last item.
bool parseDialogTemplate(const Bytes& data, DialogTemplate& dialog);

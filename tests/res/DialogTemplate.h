#pragma once

#include "ByteReader.h"

struct DialogItem {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t id = 0;
    TextOrOrdinal windowClass;
    TextOrOrdinal text;
    std::uint16_t extraBytes = 0;
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
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

#pragma once

#include "ByteReader.h"

// One item of a classic menu template, in file order; popups carry no id.
struct MenuEntry {
    int depth = 0;
    std::uint16_t flags = 0;
    std::uint16_t id = 0;
    std::u16string text;
};

// Reads a classic menu template (header version 0, offset 0) into a flat list.
// False when the template is truncated, has another header, or an item list
// runs past its MF_END item.
bool parseMenuTemplate(const Bytes& data, std::vector<MenuEntry>& entries);

#include "MenuTemplate.h"

#include <windows.h>

namespace {

bool readItems(ByteReader& reader, int depth, std::vector<MenuEntry>& entries) {
    for (;;) {
        MenuEntry entry;
        entry.depth = depth;
        if (!reader.word(entry.flags)) {
            return false;
        }
        if ((entry.flags & MF_POPUP) == 0 && !reader.word(entry.id)) {
            return false;
        }
        if (!reader.text(entry.text)) {
            return false;
        }
        const std::uint16_t flags = entry.flags;
        entries.push_back(entry);
        if ((flags & MF_POPUP) != 0 && !readItems(reader, depth + 1, entries)) {
            return false;
        }
        if ((flags & MF_END) != 0) {
            return true;
        }
    }
}

}  // namespace

bool parseMenuTemplate(const Bytes& data, std::vector<MenuEntry>& entries) {
    ByteReader reader(data);
    std::uint16_t version = 0;
    std::uint16_t offset = 0;
    entries.clear();
    if (!reader.word(version) || !reader.word(offset) || version != 0 || offset != 0) {
        return false;
    }
    return readItems(reader, 0, entries) &&
           (reader.atEnd() || (reader.alignTo(4) && reader.atEnd()));
}

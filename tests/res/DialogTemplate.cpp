#include "DialogTemplate.h"

#include <windows.h>

namespace {

bool readItem(ByteReader& reader, DialogItem& item) {
    return reader.alignTo(4) && reader.dword(item.style) && reader.dword(item.exStyle) &&
           reader.signedWord(item.x) && reader.signedWord(item.y) && reader.signedWord(item.cx) &&
           reader.signedWord(item.cy) && reader.word(item.id) &&
           reader.textOrOrdinal(item.windowClass) && reader.textOrOrdinal(item.text) &&
           reader.word(item.extraBytes) && reader.seek(reader.offset() + item.extraBytes);
}

}  // namespace

bool parseDialogTemplate(const Bytes& data, DialogTemplate& dialog) {
    ByteReader reader(data);
    std::uint16_t count = 0;
    if (!reader.dword(dialog.style)) {
        return false;
    }
    if ((dialog.style & 0xFFFF) == 1 && dialog.style >> 16 == 0xFFFF) {
        return false;
    }
    if (!reader.dword(dialog.exStyle) || !reader.word(count) || !reader.signedWord(dialog.x) ||
        !reader.signedWord(dialog.y) || !reader.signedWord(dialog.cx) ||
        !reader.signedWord(dialog.cy) || !reader.textOrOrdinal(dialog.menu) ||
        !reader.textOrOrdinal(dialog.windowClass) || !reader.text(dialog.caption)) {
        return false;
    }
    if ((dialog.style & DS_SETFONT) != 0 &&
        (!reader.word(dialog.pointSize) || !reader.text(dialog.face))) {
        return false;
    }
    dialog.items.resize(count);
    for (DialogItem& item : dialog.items) {
        if (!readItem(reader, item)) {
            return false;
        }
    }
    // Padding to a DWORD boundary is allowed, nothing more.
    return reader.atEnd() || (reader.alignTo(4) && reader.atEnd());
}

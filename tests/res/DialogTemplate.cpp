#include "DialogTemplate.h"

bool parseDialogTemplate(const Bytes& data, DialogTemplate& dialog) {
    ByteReader reader(data);
    const DWORD extendedSignature = 0xFFFF0001;
    if (!reader.read(dialog.fixed) || dialog.fixed.style == extendedSignature || !reader.textOrOrdinal(dialog.menu)
        || !reader.textOrOrdinal(dialog.windowClass) || !reader.text(dialog.caption)) {
        return false;
    }
    if ((dialog.fixed.style & DS_SETFONT) != 0 && (!reader.read(dialog.pointSize) || !reader.text(dialog.face))) {
        return false;
    }
    dialog.items.resize(dialog.fixed.cdit);
    for (DialogItem& item : dialog.items) {
        if (!reader.alignTo(4) || !reader.read(item.fixed) || !reader.textOrOrdinal(item.windowClass)
            || !reader.textOrOrdinal(item.text) || !reader.read(item.extraBytes)
            || !reader.seek(reader.offset() + item.extraBytes)) {
            return false;
        }
    }
    // Padding to a DWORD boundary is allowed, nothing more.
    return reader.atEnd() || (reader.alignTo(4) && reader.atEnd());
}

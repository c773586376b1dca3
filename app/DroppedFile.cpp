#include "DroppedFile.h"

bool firstDroppedFile(HDROP drop, char* name, UINT capacity) {
    // The length comes without its terminator.
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    if (length == 0 || length >= capacity) {
        return false;
    }
    return DragQueryFileA(drop, 0, name, capacity) == length;
}

#pragma once

#include <windows.h>

// The system icons a message box can show.
enum class BoxIcon { None, Information, Warning, Error, Question };

// The icon a message box shows, as the screen shows it: the image of its icon
// control is compared with each system icon drawn on the same background, so
// that a box of another process can be read too (icon handles are not shared
// between processes). None at once for a box without a visible icon control;
// otherwise waits up to timeout ms for the box to show a system icon.
BoxIcon shownIcon(HWND box, DWORD timeout = 3000);

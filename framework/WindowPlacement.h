#pragma once

#include <windows.h>

// Reads "MainWindowPos.bmaximized" and the four edges of the normal rectangle
// from key. An absent value, or one that is not a REG_DWORD, leaves its target
// as it was. False only for a null key.
bool readWindowPos(HKEY key, RECT* rect, bool* maximized);

// Whether a stored normal rectangle may be used on a screen: it must overlap
// the screen and either lie wholly on it or show more than 80 by 80 pixels.
bool storedRectFitsScreen(const RECT& stored, const RECT& screen);

// The show command to use for a window stored as maximized: SW_SHOWNORMAL,
// SW_SHOW and SW_SHOWDEFAULT become SW_SHOWMAXIMIZED, the rest stay.
int maximizedShowCommand(int showCommand, bool maximized);

// Moves the window's normal position to the rectangle stored under key when
// it fits the primary screen, and turns *showCommand into SW_SHOWMAXIMIZED
// when so stored. False, with *showCommand unchanged, when the key is null or
// the placement cannot be read or set.
bool restoreWindowPlacement(HWND window, int* showCommand, HKEY key);

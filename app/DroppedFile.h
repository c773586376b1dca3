#pragma once

#include <windows.h>
#include <shellapi.h>

// Copies the first dropped file's path into name. False when there is none
// or when it needs more than capacity bytes: a path cut to fit could name
// another file, which a Run would then rewrite. name is undefined on false.
bool firstDroppedFile(HDROP drop, char* name, UINT capacity);

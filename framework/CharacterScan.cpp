#include "CharacterScan.h"

#include <windows.h>

char* findLastCharacter(char* text, char wanted) {
    char* found = nullptr;
    for (char* position = text; *position != '\0'; position = CharNextA(position)) {
        if (*position == wanted) {
            found = position;
        }
    }
    return found;
}

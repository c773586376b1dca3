#pragma once

// The last character of text equal to the single-byte character wanted, found
// by walking whole characters of the ANSI code page, or null. A trail byte of
// a double-byte character is never taken for it.
char* findLastCharacter(char* text, char wanted);

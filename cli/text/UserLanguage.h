#pragma once

#include "Catalog.h"

// The language of the person running sonorix-repair, defined by one source
// file per platform from what the system says of that person.
Language userLanguage();

// As gettext chooses the language of messages: the first of LC_ALL,
// LC_MESSAGES and LANG that is set and not empty (null where unset) decides;
// Japanese where it names ja ("ja", "ja_JP.UTF-8", "ja_JP@..."), English
// otherwise, C and POSIX included.
Language languageOfLocale(const char* all, const char* messages, const char* lang);

// Japanese where a Windows language identifier (the user's UI language) is of
// the primary language Japanese, 0x11; English otherwise.
Language languageOfUiLanguage(unsigned identifier);

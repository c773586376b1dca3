#include "UserLanguage.h"

#include <windows.h>

// The language the user reads Windows in, as the display language setting
// gives it, whatever the code page or the format of dates.
Language userLanguage() {
    return languageOfUiLanguage(GetUserDefaultUILanguage());
}

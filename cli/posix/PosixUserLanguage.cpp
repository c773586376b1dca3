#include "UserLanguage.h"

#include <cstdlib>

Language userLanguage() {
    return languageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

#include "ErrnoText.h"

#include <cerrno>
#include <cstring>

std::string errnoText(int error, Language language) {
    switch (error) {
    case ENOENT:
        return say(language, Text::NoSuchFile);
    case EACCES:
        return say(language, Text::PermissionDenied);
    case EPERM:
        return say(language, Text::NotPermitted);
    case ENOSPC:
        return say(language, Text::NoSpace);
    case EDQUOT:
        return say(language, Text::QuotaExceeded);
    case EROFS:
        return say(language, Text::ReadOnlyFileSystem);
    case EEXIST:
        return say(language, Text::FileExists);
    case EIO:
        return say(language, Text::InputOutput);
    case ENOTDIR:
        return say(language, Text::NotAFolder);
    case ENAMETOOLONG:
        return say(language, Text::NameTooLong);
    default:
        break;
    }
    return std::strerror(error);
}

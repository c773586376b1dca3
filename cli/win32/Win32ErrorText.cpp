#include "Win32ErrorText.h"

std::string errorText(DWORD error, Language language) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return say(language, Text::NoSuchFile);
    case ERROR_ACCESS_DENIED:
        return say(language, Text::PermissionDenied);
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return say(language, Text::NoSpace);
    case ERROR_WRITE_PROTECT:
        return say(language, Text::ReadOnlyFileSystem);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return say(language, Text::FileExists);
    case ERROR_FILENAME_EXCED_RANGE:
        return say(language, Text::NameTooLong);
    default:
        break;
    }
    return say(language, Text::WindowsError, {std::to_string(error)});
}

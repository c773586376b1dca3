#include "Win32ErrorText.h"

std::string errorText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return "No such file or directory";
    case ERROR_ACCESS_DENIED:
        return "Permission denied";
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return "No space left on device";
    case ERROR_WRITE_PROTECT:
        return "Read-only file system";
    default:
        break;
    }
    return "Windows error " + std::to_string(error);
}

#include "OpenUnread.h"

#include <cerrno>
#include <fcntl.h>

namespace {

int openRetrying(const char* path, int flags) {
    int fd;
    do
        fd = ::open(path, flags);
    while (fd < 0 && errno == EINTR);
    return fd;
}

}

int openUnread(const char* path, int flags) {
#ifdef O_NOATIME
    const int fd = openRetrying(path, flags | O_NOATIME);
    if (fd >= 0 || errno != EPERM)
        return fd;
#endif
    return openRetrying(path, flags);
}

#include "PosixFolders.h"

#include "ErrnoText.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

bool PosixFolders::isFolder(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool PosixFolders::list(const std::string& folder, std::deque<File>& files, std::vector<std::string>& subfolders,
    std::string& why) {
    DIR* entries = opendir(folder.c_str());
    struct stat own;
    if (entries == nullptr || fstat(dirfd(entries), &own) != 0) {
        why = errnoText(errno, language);
        if (entries != nullptr)
            closedir(entries);
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(entries)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        struct stat status;
        // A folder's device is needed to stay on its file system; other kinds
        // need a look only where readdir did not tell them.
        if (type == DT_DIR || type == DT_UNKNOWN) {
            if (fstatat(dirfd(entries), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(status.st_mode) ? DT_DIR
                : S_ISLNK(status.st_mode)  ? DT_LNK
                : S_ISREG(status.st_mode)  ? DT_REG
                                           : DT_UNKNOWN;
            if (type == DT_DIR && status.st_dev != own.st_dev)
                continue;
        }
        if (type == DT_DIR)
            subfolders.push_back(name);
        else if (type != DT_LNK)
            files.push_back({name, type == DT_REG});
        errno = 0;
    }
    const int error = errno;
    closedir(entries);
    if (error != 0) {
        why = errnoText(error, language);
        return false;
    }
    return true;
}

std::string PosixFolders::join(const std::string& folder, const std::string& name) const {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string PosixFolders::leaf(const std::string& path) const {
    return path.substr(path.rfind('/') + 1);
}

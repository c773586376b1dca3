#pragma once

#include <string>

// A fresh directory under the temporary folder, named with the given suffix
// (ANSI bytes, double-byte characters welcome), removed with its contents.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& suffix);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool created() const { return ok; }
    const std::string& path() const { return directory; }
    // Copies source to path() + "\" + name; false when the copy fails.
    bool copy(const std::string& source, const std::string& name) const;

private:
    std::string directory;
    bool ok = false;
};

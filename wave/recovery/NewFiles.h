#pragma once

#include "CreatedFile.h"

#include <memory>
#include <string>

// Where the new files of recovered recordings come from, one for each
// platform.
class NewFiles {
public:
    virtual ~NewFiles() = default;

    virtual std::unique_ptr<CreatedFile> make() = 0;
    // Why the last operation on file failed, in the system's words.
    virtual std::string reason(const CreatedFile& file) const = 0;
    // Whether it failed because something holds the name.
    virtual bool nameTaken(const CreatedFile& file) const = 0;
};

#pragma once

#include "Catalog.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

// One line on a terminal that tells how far a long run has got: files done
// of files found and the name being worked on. It appears once the run has
// lasted about a second, is rewritten in place ("\r", then erase to the end of
// the line) at most ten times a second, and is erased before other output to
// the same terminal and at the end. Disabled, it writes nothing.
class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;
    using Write = std::function<void(const std::string&)>;

    ProgressLine(bool enabled, Language language, Write write, Clock::time_point started)
        : enabled(enabled), language(language), write(std::move(write)), started(started) {}

    void show(std::size_t done, std::size_t found, const std::string& name, Clock::time_point now);
    // The line with text of its own.
    void showText(const std::string& text, Clock::time_point now);
    void erase();

private:
    bool enabled;
    Language language;
    Write write;
    Clock::time_point started;
    Clock::time_point drawn;
    bool visible = false;
};

#include "ProgressLine.h"

namespace {

const char eraseLine[] = "\r\x1B[K";
// Short enough for any terminal's width, so the line never wraps.
constexpr std::size_t longestName = 48;

// The end of name, cut at a character boundary.
std::string tail(const std::string& name) {
    if (name.size() <= longestName)
        return name;
    std::size_t from = name.size() - longestName;
    while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80)
        ++from;
    return "..." + name.substr(from);
}

}

void ProgressLine::show(std::size_t done, std::size_t found, const std::string& name, Clock::time_point now) {
    showText(say(language, Text::Progress, {std::to_string(done), std::to_string(found), tail(name)}), now);
}

void ProgressLine::showText(const std::string& text, Clock::time_point now) {
    if (!enabled || now - started < std::chrono::seconds(1)
        || (visible && now - drawn < std::chrono::milliseconds(100)))
        return;
    write(eraseLine + text);
    drawn = now;
    visible = true;
}

void ProgressLine::erase() {
    if (visible)
        write(eraseLine);
    visible = false;
}

#include "RecordingName.h"

bool isRecordingName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    for (const char* known : {"wav", "wave", "bwf", "rf64", "aif", "aiff", "aifc"}) {
        if (extension == known)
            return true;
    }
    return false;
}

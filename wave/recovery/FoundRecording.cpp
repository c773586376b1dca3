#include "FoundRecording.h"

bool FoundRecording::placed(std::uint64_t at, std::uint64_t& offset) const {
    if (rebuilt.empty()) {
        offset = at;
        return true;
    }
    if (at < start.audioAt)
        return false;
    offset = rebuilt.size() + (at - start.audioAt);
    return true;
}

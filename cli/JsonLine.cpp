#include "JsonLine.h"

#include "OutcomeText.h"

#include <cstdio>

namespace {

// The length of the well-formed UTF-8 sequence at text[at], 0 when none
// starts there.
std::size_t sequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2
        : lead >= 0xE0 && lead <= 0xEF                      ? 3
        : lead >= 0xF0 && lead <= 0xF4                      ? 4
                                                            : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    }
    const unsigned char second = byte(at + 1);
    const bool overlong = (lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90);
    const bool outside = (lead == 0xED && second >= 0xA0) || (lead == 0xF4 && second >= 0x90);
    return overlong || outside ? 0 : length;
}

std::string hex(const unsigned char* bytes, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

}

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            json += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            json += escape;
        } else {
            json.append(text, at, length);
        }
        at += length;
    }
    return json + "\"";
}

namespace {

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool isValidUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

}

std::string jsonLine(const Outcome& outcome) {
    std::string json = "{\"path\":" + jsonString(outcome.path);
    if (!isValidUtf8(outcome.path)) {
        json += ",\"path_bytes\":\""
            + hex(reinterpret_cast<const unsigned char*>(outcome.path.data()), outcome.path.size()) + "\"";
    }
    json += ",\"outcome\":\"" + outcomeWord(Language::English, outcome.result, outcome.dryRun) + "\",\"reason\":";
    json += outcome.why.empty() ? "null" : jsonString(outcome.why);
    json += ",\"changes\":[";
    for (std::size_t i = 0; i < outcome.changes.size(); ++i) {
        const FieldChange& change = outcome.changes[i];
        json += (i > 0 ? ",{\"offset\":" : "{\"offset\":") + std::to_string(change.offset) + ",\"before\":\""
            + hex(change.before, change.count) + "\",\"after\":\"" + hex(change.after, change.count) + "\"}";
    }
    return json + "]}";
}

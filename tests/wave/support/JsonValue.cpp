#include "JsonValue.h"

#include <cstdlib>
#include <cstring>

namespace {

const JsonValue null;

// A reader of the JSON the test tools write: ASCII, names unique.
struct Parser {
    const std::string& text;
    std::size_t at = 0;

    bool ends() {
        while (at < text.size() && std::strchr(" \t\r\n", text[at]))
            ++at;
        return at == text.size();
    }

    bool take(char c) { return !ends() && text[at] == c && ++at; }

    bool string(std::string& out) {
        if (!take('"'))
            return false;
        for (; at < text.size() && text[at] != '"'; ++at) {
            // An escaped character stands for itself, but \uXXXX.
            if (text[at] == '\\' && ++at < text.size() && text[at] == 'u') {
                out += static_cast<char>(std::strtoul(text.substr(at + 1, 4).c_str(), nullptr, 16));
                at += 4;
            } else if (at < text.size()) {
                out += text[at];
            }
        }
        return take('"');
    }

    bool value(JsonValue& out) {
        if (take('[')) {
            out.kind = JsonValue::Kind::Array;
            if (take(']'))
                return true;
            do
                out.items.emplace_back();
            while (value(out.items.back()) && take(','));
            return take(']');
        }
        if (take('{')) {
            out.kind = JsonValue::Kind::Object;
            if (take('}'))
                return true;
            do
                out.fields.emplace_back();
            while (string(out.fields.back().first) && take(':') && value(out.fields.back().second) && take(','));
            return take('}');
        }
        if (text.compare(at, 1, "\"") == 0) {
            out.kind = JsonValue::Kind::String;
            return string(out.text);
        }
        for (const char* word : {"null", "true", "false"}) {
            if (text.compare(at, std::strlen(word), word) == 0) {
                at += std::strlen(word);
                out.kind = word[0] == 'n' ? JsonValue::Kind::Null : JsonValue::Kind::Bool;
                out.boolean = word[0] == 't';
                return true;
            }
        }
        char* end = nullptr;
        out.number = std::strtod(text.c_str() + at, &end);
        out.kind = JsonValue::Kind::Number;
        const std::size_t read = static_cast<std::size_t>(end - (text.c_str() + at));
        at += read;
        return read > 0;
    }
};

}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    for (const auto& field : fields) {
        if (field.first == key)
            return field.second;
    }
    return null;
}

const JsonValue& JsonValue::operator[](std::size_t index) const {
    return index < items.size() ? items[index] : null;
}

bool parseJson(const std::string& text, JsonValue& value) {
    Parser parser{text};
    value = JsonValue();
    return parser.value(value) && parser.ends();
}

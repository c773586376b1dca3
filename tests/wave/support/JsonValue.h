#pragma once

#include <cstdint>
#include <utility>
#include <string>
#include <vector>

// A JSON document read whole, as the test tools write their manifests (ASCII
// text). A missing key or index reads as null.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> fields;

    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](std::size_t index) const;
    bool isNull() const { return kind == Kind::Null; }
    std::uint64_t integer() const { return static_cast<std::uint64_t>(number); }
};

// False where text is not one JSON value.
bool parseJson(const std::string& text, JsonValue& value);

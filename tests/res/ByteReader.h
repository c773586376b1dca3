#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A string or a 16-bit ordinal, as resource data names classes, menus and texts.
struct TextOrOrdinal {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

// Little-endian reads over a resource; every read fails instead of running
// past the end, and offsets are relative to the start of the data.
class ByteReader {
public:
    explicit ByteReader(const Bytes& data) : data_(data) {}

    std::size_t offset() const { return offset_; }
    bool atEnd() const { return offset_ == data_.size(); }

    bool seek(std::size_t offset) {
        if (offset > data_.size()) {
            return false;
        }
        offset_ = offset;
        return true;
    }

    bool alignTo(std::size_t boundary) { return seek((offset_ + boundary - 1) / boundary * boundary); }

    // A little-endian number, or a packed structure of them.
    template <typename T>
    bool read(T& value) {
        if (data_.size() - offset_ < sizeof value) {
            return false;
        }
        std::memcpy(&value, data_.data() + offset_, sizeof value);
        offset_ += sizeof value;
        return true;
    }

    // A NUL-terminated UTF-16 string; the terminator is consumed, not stored.
    bool text(std::u16string& value) {
        value.clear();
        for (;;) {
            std::uint16_t unit = 0;
            if (!read(unit)) {
                return false;
            }
            if (unit == 0) {
                return true;
            }
            value.push_back(static_cast<char16_t>(unit));
        }
    }

    bool textOrOrdinal(TextOrOrdinal& value) {
        std::uint16_t first = 0;
        if (!read(first)) {
            return false;
        }
        value = TextOrOrdinal{};
        if (first == 0xFFFF) {
            value.isOrdinal = true;
            return read(value.ordinal);
        }
        if (first == 0) {
            return true;
        }
        std::u16string rest;
        if (!text(rest)) {
            return false;
        }
        value.text = static_cast<char16_t>(first) + rest;
        return true;
    }

private:
    const Bytes& data_;
    std::size_t offset_ = 0;
};

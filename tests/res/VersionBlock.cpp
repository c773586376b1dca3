#include "VersionBlock.h"

#include <cstring>

namespace {

// A text value's length counts UTF-16 units, a binary one bytes.
bool readNode(const Bytes& data, std::size_t start, std::size_t limit, VersionNode& node) {
    ByteReader reader(data);
    std::uint16_t length = 0;
    std::uint16_t valueLength = 0;
    if (!reader.seek(start) || !reader.read(length) || !reader.read(valueLength) || !reader.read(node.type)
        || length < 6 || start + length > limit || !reader.text(node.key) || !reader.alignTo(4)) {
        return false;
    }
    const std::size_t end = start + length;
    const std::size_t valueBytes = node.type == 1 ? valueLength * 2u : valueLength;
    if (reader.offset() + valueBytes > end) {
        return false;
    }
    node.value.assign(data.begin() + reader.offset(), data.begin() + reader.offset() + valueBytes);
    std::size_t next = reader.offset() + valueBytes;
    for (;;) {
        next = (next + 3) / 4 * 4;
        if (next >= end) {
            return true;
        }
        VersionNode child;
        if (!readNode(data, next, end, child)) {
            return false;
        }
        next += static_cast<std::size_t>(data[next] | data[next + 1] << 8);
        node.children.push_back(child);
    }
}

} // namespace

const VersionNode* VersionNode::child(const std::u16string& name) const {
    for (const VersionNode& node : children) {
        if (node.key == name) {
            return &node;
        }
    }
    return nullptr;
}

std::u16string VersionNode::text() const {
    std::u16string result(value.size() / 2, u'\0');
    std::memcpy(&result[0], value.data(), result.size() * 2);
    return result.substr(0, result.find(u'\0'));
}

bool parseVersionBlock(const Bytes& data, VersionNode& root) {
    root = VersionNode{};
    return readNode(data, 0, data.size(), root);
}

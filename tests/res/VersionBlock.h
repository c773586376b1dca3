#pragma once

#include "ByteReader.h"

// One node of a version resource: key, value bytes and children in file order.
struct VersionNode {
    std::u16string key;
    std::uint16_t type = 0;
    Bytes value;
    std::vector<VersionNode> children;

    const VersionNode* child(const std::u16string& name) const;
    // A text node's value up to its terminator.
    std::u16string text() const;
};

// Reads the whole VS_VERSIONINFO tree. False when any node's length runs past
// its parent or the data.
bool parseVersionBlock(const Bytes& data, VersionNode& root);

#include "OutputNames.h"

#include "FittedName.h"

#include <algorithm>
#include <cstring>

namespace {

std::string suffixed(const std::string& name, const std::string& suffix) {
    const std::string::size_type dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
}

std::string folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

}

std::string OutputNames::choose(const std::string& name, const std::function<Look(const std::string&)>& look) {
    const std::string base =
        folder.empty() || folder.back() == separator || folder.back() == '/' ? folder : folder + separator;
    // Room for the part name's dot and suffix around the name.
    const std::size_t partRoom = 1 + std::strlen(partSuffix);
    unsigned& number = next.emplace(folded(name), 1).first->second;
    for (;; ++number) {
        const std::string suffix = number == 1 ? "" : "-" + std::to_string(number);
        std::string leaf = suffixed(fittedName(name, suffix.size() + partRoom), suffix);
        // A card's name that looks like a part name is kept from being one.
        if (leaf.size() > std::strlen(partSuffix)
            && leaf.compare(leaf.size() - std::strlen(partSuffix), std::string::npos, partSuffix) == 0)
            leaf[leaf.size() - std::strlen(partSuffix)] = '_';
        const std::string path = base + leaf;
        if (chosen.count(folded(path)) != 0)
            continue;
        const Look found = look(path);
        if (found == Look::Failed)
            return std::string();
        if (found == Look::Free) {
            chosen.insert(folded(path));
            ++number;
            return path;
        }
    }
}

std::size_t OutputNames::memoryFor(const std::string& name) const {
    // The path chosen, and the name's next number: each a string in a node of
    // a hash table, with its bucket.
    constexpr std::size_t node = sizeof(void*) + sizeof(std::string) + sizeof(std::size_t) + sizeof(unsigned);
    constexpr std::size_t allocation = 2 * 16;
    return 2 * (node + allocation + sizeof(void*)) + folder.size() + 2 * (name.size() + 24);
}

std::string OutputNames::partName(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("/\\");
    const std::string::size_type leaf = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, leaf) + "." + path.substr(leaf) + partSuffix;
}

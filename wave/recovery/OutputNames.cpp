#include "OutputNames.h"

namespace {

std::string suffixed(const std::string& name, unsigned number) {
    if (number == 1)
        return name;
    const std::string::size_type dot = name.rfind('.');
    const std::string suffix = "-" + std::to_string(number);
    return dot == std::string::npos || dot == 0 ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
}

}

std::string OutputNames::choose(const std::string& name, const std::function<Look(const std::string&)>& look) {
    const std::string base =
        folder.empty() || folder.back() == separator || folder.back() == '/' ? folder : folder + separator;
    for (unsigned number = 1;; ++number) {
        const std::string path = base + suffixed(name, number);
        if (chosen.count(path) != 0)
            continue;
        const Look found = look(path);
        if (found == Look::Failed)
            return std::string();
        if (found == Look::Free) {
            chosen.insert(path);
            return path;
        }
    }
}

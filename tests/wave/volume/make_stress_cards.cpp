// Writes the hostile cards (see HostileCards.h) into a folder as sparse
// image files, to measure sonorix-repair --recover on them:
//
//   make_stress_cards FOLDER [--large]
#include "HostileCards.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || (argc == 3 && std::strcmp(argv[2], "--large") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: make_stress_cards FOLDER [--large]\n");
        return 64;
    }
    for (const HostileCard& card : hostileCards(argc == 3)) {
        const std::string path = std::string(argv[1]) + "/" + card.name + ".img";
        if (!card.sketch.save(path)) {
            std::fprintf(stderr, "make_stress_cards: %s could not be written\n", path.c_str());
            return 1;
        }
        std::printf("%s: %llu bytes\n", path.c_str(), static_cast<unsigned long long>(card.sketch.size()));
    }
    return 0;
}

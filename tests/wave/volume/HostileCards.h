#pragma once

#include "CardSketch.h"

#include <string>
#include <vector>

struct HostileCard {
    std::string name;
    CardSketch sketch;
};

// The cards that held a recovery unbounded, as small as the tests read them,
// or as large as they were measured (large): folders of long names nested
// deep, over many deleted recordings; a lost chain whose links jump across
// the FAT; a GPT whose every entry names one volume; a card of 4096-byte
// sectors behind an MBR that counts in them; and, large alone, a FAT that is
// one chain in jumps, and exFAT of the most clusters it may have.
std::vector<HostileCard> hostileCards(bool large);

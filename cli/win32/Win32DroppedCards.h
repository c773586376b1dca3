#pragma once

#include <string>
#include <vector>

// Drive icons dropped onto sonorix-repair.exe: Explorer starts the program on
// a console of its own with each drive's root (E:\). Where every argument is
// a drive, each card's recordings are recovered into a new folder of the
// user's Documents named for the card and the date, never on the card, and
// the window stays open with where they went. A card Windows lets only an
// administrator read is offered a new start as administrator through the
// system's own prompt; the system's drive is refused. False, touching
// nothing, where the run is no such drop; status is the run's exit status.
bool recoverDroppedCards(const std::vector<std::string>& args, int& status);

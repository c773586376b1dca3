#pragma once

#include <string>

// A card as a Windows user names it: its drive letter, typed as E: or E:\ (or
// E:/), handed over as E:\ by Explorer for a drive icon dropped onto the
// program, or the volume itself, \\.\E:. Plain text in, plain text out: the
// system is asked nothing here.

// The letter (upper case) name stands for, or 0 where it names no drive as a
// whole (a path on it, a disk, a file).
char driveLetter(const std::string& name);

// The volume of the drive, which a raw read opens: \\.\E:.
std::string driveVolume(char letter);

// Whether the drive holds Windows: the one systemRoot (%SystemRoot%, such as
// C:\Windows) lies on. A volume in use by the system is no card to scan.
bool holdsSystem(char letter, const std::string& systemRoot);

// The name of the new folder for a dropped card's recordings: its volume
// label, or its letter where it has none, and the date ("EOS_DIGITAL
// 2026-12-10", "E 2026-12-10"), then " (2)", " (3)"... for the number-th try
// where the name is taken. A character no folder name may hold becomes _.
std::string cardFolderName(const std::string& label, char letter, unsigned year, unsigned month, unsigned day,
    unsigned number);

#pragma once

#include "Catalog.h"
#include "RevivalFormat.h"

#include <string>
#include <vector>

// The command line of sonorix-repair: [--canonical | --any-layout] [--dry-run]
// [--touch] [--recursive] [--json] [--like DONOR | --format
// RATE,BITS,CHANNELS[,float]] [--output DIR] FILE..., or --recover SOURCE
// --output DIR [--dry-run] [--json] [--like DONOR | --format ...], or --help,
// or --version. Options may stand anywhere before "--"; everything after it is
// a file name.
struct CommandOptions {
    enum class Action { Repair, Recover, Help, Version, UsageError };

    Action action = Action::Repair;
    // The rule of Sonorix.exe instead of the any-layout rule, the default
    // (which --any-layout names).
    bool canonical = false;
    bool dryRun = false;
    // The modification time is set back after a rewrite (unless --touch):
    // decided here, once, for the rule and the file layer alike.
    bool keepTime = true;
    // Files that lost their header are revived as DONOR's format (--like), or
    // as the stated one (--format, parsed into stated); a new file goes to
    // output when given, else beside the recording.
    std::string donor;
    bool formatStated = false;
    RevivalFormat stated;
    std::string output;
    // The card, disk or image whose recordings are recovered into output.
    std::string source;
    // A folder stands for the recordings beneath it.
    bool recursive = false;
    // One JSON object per file instead of the lines.
    bool json = false;
    std::vector<std::string> files;
    // What was wrong with a command line that yields UsageError, in the
    // language of the parse.
    std::string problem;
};

// The arguments after the program's name.
CommandOptions parseCommandOptions(const std::vector<std::string>& args, Language language);

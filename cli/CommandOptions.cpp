#include "CommandOptions.h"

CommandOptions parseCommandOptions(const std::vector<std::string>& args) {
    CommandOptions options;
    bool optionsEnded = false;
    bool ruleNamed = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--any-layout" || arg == "--canonical") {
            const bool canonical = arg == "--canonical";
            if (ruleNamed && canonical != options.canonical) {
                options.action = CommandOptions::Action::UsageError;
                options.problem = "--canonical and --any-layout name different rules";
                return options;
            }
            ruleNamed = true;
            options.canonical = canonical;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--touch") {
            options.keepTime = false;
        } else if (arg == "--recursive" || arg == "-r") {
            options.recursive = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            options.action = CommandOptions::Action::Help;
            return options;
        } else if (arg == "--version") {
            options.action = CommandOptions::Action::Version;
            return options;
        } else {
            options.action = CommandOptions::Action::UsageError;
            options.problem = "unknown option '" + arg + "'";
            return options;
        }
    }
    if (options.files.empty()) {
        options.action = CommandOptions::Action::UsageError;
        options.problem = "no file given";
    }
    return options;
}

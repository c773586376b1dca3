#include "CommandOptions.h"

#include <cstdlib>

namespace {

// RATE,BITS,CHANNELS[,float], each number a whole one in decimal.
bool parseFormat(const std::string& text, RevivalFormat& format) {
    unsigned long fields[3] = {};
    const char* at = text.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        if (*at < '0' || *at > '9')
            return false;
        fields[i] = std::strtoul(at, &end, 10);
        if (fields[i] > 0xFFFFFFFFul || (i < 2 && *end != ','))
            return false;
        at = end + (i < 2 ? 1 : 0);
    }
    const std::string rest = at;
    if (rest != "" && rest != ",float")
        return false;
    return statedFormat(static_cast<std::uint32_t>(fields[0]), static_cast<unsigned>(fields[1]),
        static_cast<unsigned>(fields[2]), rest == ",float", format);
}

}

CommandOptions parseCommandOptions(const std::vector<std::string>& args, Language language) {
    CommandOptions options;
    bool optionsEnded = false;
    bool ruleNamed = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--any-layout" || arg == "--canonical") {
            const bool canonical = arg == "--canonical";
            if (ruleNamed && canonical != options.canonical) {
                options.action = CommandOptions::Action::UsageError;
                options.problem = say(language, Text::RulesDiffer);
                return options;
            }
            ruleNamed = true;
            options.canonical = canonical;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--touch") {
            options.keepTime = false;
        } else if (arg == "--like" || arg == "--format" || arg == "--output" || arg == "--recover") {
            if (i + 1 == args.size()) {
                options.action = CommandOptions::Action::UsageError;
                options.problem = say(language, Text::NeedsValue, {arg});
                return options;
            }
            const std::string value = args[++i];
            if (arg == "--like") {
                options.donor = value;
            } else if (arg == "--recover") {
                options.action = CommandOptions::Action::Recover;
                options.source = value;
            } else if (arg == "--output") {
                options.output = value;
            } else if (!parseFormat(value, options.stated)) {
                options.action = CommandOptions::Action::UsageError;
                options.problem = say(language, Text::FormatValue, {value});
                return options;
            } else {
                options.formatStated = true;
            }
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
            options.problem = say(language, Text::UnknownOption, {arg});
            return options;
        }
    }
    const bool reviving = !options.donor.empty() || options.formatStated;
    const bool recovering = options.action == CommandOptions::Action::Recover;
    if (!options.donor.empty() && options.formatStated)
        options.problem = say(language, Text::LikeAndFormat);
    else if (recovering && !options.files.empty())
        options.problem = say(language, Text::RecoverTakesNoFile);
    else if (recovering && (options.canonical || options.recursive || !options.keepTime))
        options.problem = say(language, Text::RecoverTakesNoRuleOptions);
    else if (recovering && options.output.empty() && !options.dryRun)
        options.problem = say(language, Text::RecoverNeedsOutput);
    else if (recovering)
        return options;
    else if (reviving && options.canonical)
        options.problem = say(language, Text::CanonicalRevivesNothing);
    else if (!options.output.empty() && !reviving)
        options.problem = say(language, Text::OutputNeedsRevival);
    else if (options.files.empty())
        options.problem = say(language, Text::NoFileGiven);
    if (!options.problem.empty())
        options.action = CommandOptions::Action::UsageError;
    return options;
}

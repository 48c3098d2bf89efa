#include "CommandLine.h"

#include "Errors.h"

#include <algorithm>

namespace ss {

namespace {

const OptionSpec* findOption(const std::vector<OptionSpec>& options, std::string_view name) {
    const auto it = std::find_if(options.begin(), options.end(),
                                 [&](const OptionSpec& o) { return o.name == name; });
    return it == options.end() ? nullptr : &*it;
}

} // namespace

bool ParsedArguments::has(std::string_view name) const {
    return flags.contains(name) || values.contains(name);
}

std::optional<std::string> ParsedArguments::value(std::string_view name) const {
    const auto it = values.find(name);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

bool isPasswordOption(std::string_view option) {
    const std::string_view name = option.substr(0, option.find('='));
    if (name == "-p" || name == "-P" || name == "--pw" || name == "--pass")
        return true;
    return name.starts_with("--password") && name != "--password-stdin";
}

ParsedArguments parseArguments(std::string_view command, const std::vector<OptionSpec>& options,
                               const std::vector<std::string>& args) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.helpRequested = true;
            return parsed;
        }
        if (isPasswordOption(arg))
            throw UsageError("passwords are never taken from the command line; give "
                             "--password-stdin and write the password to standard input");
        const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        const OptionSpec* spec = findOption(options, name);
        if (spec == nullptr)
            throw UsageError("unknown option '" + name + "' for " + std::string(command));
        if (!spec->takesValue) {
            if (equals != std::string::npos)
                throw UsageError("option '" + name + "' takes no value");
            parsed.flags.insert(name);
            continue;
        }
        if (equals != std::string::npos) {
            parsed.values[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            throw UsageError("option '" + name + "' needs a value");
        }
    }
    return parsed;
}

} // namespace ss

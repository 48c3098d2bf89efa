// Parsing of one command's arguments: named options (with or without a value) anywhere among
// the positional arguments, "--name=value", and "--" ending the options.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ss {

struct OptionSpec {
    std::string_view name; // "-c", "--writable"
    bool takesValue = false;
};

class ParsedArguments {
public:
    bool helpRequested = false;
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> values;
    std::set<std::string, std::less<>> flags;

    bool has(std::string_view name) const;
    std::optional<std::string> value(std::string_view name) const;
};

// Raises UsageError for an unknown option, a missing value, or a password offered on the
// command line. Stops looking at the rest once "--help" or "-h" is seen.
ParsedArguments parseArguments(std::string_view command, const std::vector<OptionSpec>& options,
                               const std::vector<std::string>& args);

// Options that would put a password on the command line, where other users can read it.
bool isPasswordOption(std::string_view option);

} // namespace ss

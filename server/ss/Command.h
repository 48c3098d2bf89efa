// The tool's command table: each command's syntax, help and handler. The handlers live in one
// source file per group of commands.
#pragma once

#include "CommandLine.h"
#include "Context.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace ss {

struct Command {
    using Handler = int (*)(Context&, const ParsedArguments&);
    static constexpr std::size_t kAny = static_cast<std::size_t>(-1);

    std::string_view name;
    std::string_view synopsis; // the arguments, as shown after "ss NAME"
    std::string_view summary;  // one line for the command list
    std::string_view details;  // the options and what the command prints
    std::vector<OptionSpec> options;
    std::size_t minArguments = 0;
    std::size_t maxArguments = 0;
    Handler run = nullptr;
};

std::vector<Command> databaseCommands();
std::vector<Command> projectCommands();
std::vector<Command> fileCommands();

} // namespace ss

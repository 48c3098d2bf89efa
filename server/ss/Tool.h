// The tool's entry: global options, help, dispatch to a command and the exit code.
#pragma once

#include "Command.h"

#include <string>
#include <vector>

namespace ss {

// A command line taken apart, before anything runs.
struct Invocation {
    Context context;                  // the global options
    const Command* command = nullptr; // none: the tool's own help was asked for
    ParsedArguments arguments;
    bool help = false;
};

// Raises UsageError for every command line the tool refuses as bad usage.
Invocation parseCommandLine(const std::vector<std::string>& args);

// 0 success, 1 a refused operation, 2 bad usage; errors go to standard error in one line.
int runTool(int argc, char** argv);

} // namespace ss

// The ss command line (arguments separated by NUL bytes): taking it apart either succeeds or
// raises a usage error, never anything else, and never takes a password from it.
#include "CommandLine.h"
#include "Errors.h"
#include "Tool.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    try {
        const ss::Invocation invocation = ss::parseCommandLine(args);
        if (invocation.command != nullptr && !invocation.help) {
            const auto& parsed = invocation.arguments;
            if (parsed.positional.size() < invocation.command->minArguments ||
                parsed.positional.size() > invocation.command->maxArguments)
                std::abort();
            for (const auto& [name, value] : parsed.values)
                if (ss::isPasswordOption(name))
                    std::abort();
        }
    } catch (const ss::UsageError&) {
    }
    return 0;
}

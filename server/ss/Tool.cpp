#include "Tool.h"

#include "Command.h"
#include "Errors.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace ss {

namespace {

constexpr std::string_view kGlobalSynopsis =
    "usage: ss [--db DIR] [--user NAME] [--password-stdin] COMMAND ARGS...";

const std::vector<Command>& commands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> list = databaseCommands();
        for (auto group : {projectCommands(), fileCommands()})
            list.insert(list.end(), group.begin(), group.end());
        return list;
    }();
    return all;
}

const Command* findCommand(std::string_view name) {
    const auto& all = commands();
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const Command& c) { return c.name == name; });
    return it == all.end() ? nullptr : &*it;
}

void printToolHelp() {
    std::cout << kGlobalSynopsis << "\n\n"
              << "Options before the command:\n"
              << "  --db DIR          the database folder (default: $SSDIR, else the registered "
                 "current database)\n"
              << "  --user NAME       log in as NAME (default: $SSUSER, else the logon name)\n"
              << "  --password-stdin  read the login password from standard input's first line\n"
              << "                    (it is read without this option when the user has one)\n"
              << "\nCommands:\n";
    for (const Command& c : commands()) {
        std::string head = "  " + std::string(c.name);
        head.resize(std::max<std::size_t>(head.size() + 1, 16), ' ');
        std::cout << head << c.summary << "\n";
    }
    std::cout << "\n'ss COMMAND --help' describes a command. Exit codes: 0 success, 1 refused "
                 "operation, 2 bad usage.\n";
}

void printCommandHelp(const Command& c) {
    std::cout << "usage: ss " << c.name;
    if (!c.synopsis.empty())
        std::cout << ' ' << c.synopsis;
    std::cout << "\n\n" << c.summary << "\n";
    if (!c.details.empty())
        std::cout << "\n" << c.details << "\n";
}

// Consumes the global options before the command; returns the index of the command.
std::size_t parseGlobalOptions(const std::vector<std::string>& args, Context& context, bool& help) {
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-')
            break;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--password-stdin") {
            context.passwordFromStdin = true;
        } else if (isPasswordOption(arg)) {
            throw UsageError("passwords are never taken from the command line; give "
                             "--password-stdin and write the password to standard input");
        } else if (arg == "--db" || arg == "--user") {
            if (i + 1 >= args.size())
                throw UsageError("option '" + arg + "' needs a value");
            const std::string& value = args[++i];
            if (value.empty())
                throw UsageError("option '" + arg + "' needs a non-empty value");
            if (arg == "--db")
                context.databaseOption = value;
            else
                context.user = value;
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    return i;
}

int dispatch(const std::vector<std::string>& args) {
    Invocation invocation = parseCommandLine(args);
    if (invocation.command == nullptr) {
        printToolHelp();
        return kExitOk;
    }
    if (invocation.help) {
        printCommandHelp(*invocation.command);
        return kExitOk;
    }
    return invocation.command->run(invocation.context, invocation.arguments);
}

} // namespace

Invocation parseCommandLine(const std::vector<std::string>& args) {
    Invocation invocation;
    const std::size_t at = parseGlobalOptions(args, invocation.context, invocation.help);
    if (at == args.size()) {
        if (!invocation.help)
            throw UsageError("no command given; 'ss --help' lists the commands");
        return invocation;
    }
    const Command* command = findCommand(args[at]);
    if (command == nullptr)
        throw UsageError("unknown command '" + args[at] + "'; 'ss --help' lists the commands");
    invocation.command = command;
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                        args.end());
    invocation.arguments = parseArguments(command->name, command->options, rest);
    if (invocation.help || invocation.arguments.helpRequested) {
        invocation.help = true;
        return invocation;
    }
    const std::size_t count = invocation.arguments.positional.size();
    if (count < command->minArguments || count > command->maxArguments)
        throw UsageError(std::string(count < command->minArguments ? "missing" : "too many") +
                         " arguments; usage: ss " + std::string(command->name) + " " +
                         std::string(command->synopsis));
    return invocation;
}

int runTool(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    int code = kExitRefused;
    try {
        code = dispatch(args);
    } catch (const UsageError& e) {
        printError(e.what());
        code = kExitUsage;
    } catch (const std::exception& e) {
        printError(e.what());
        code = kExitRefused;
    }
    std::cout.flush();
    return code;
}

} // namespace ss

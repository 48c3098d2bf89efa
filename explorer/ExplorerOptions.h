// The explorer's command line: which database to open as whom, and the headless script.
#pragma once

#include <QStringList>

#include <optional>
#include <string>

struct ExplorerOptions {
    std::string database;              // a database folder; empty: the registry's current database
    std::string user;                  // empty: the logon user
    std::optional<std::string> script; // --script FILE ("-": standard input)
    bool help = false;

    // Reads the arguments after the program name. Raises std::invalid_argument with a message
    // naming the option for an unknown option, a missing value or a stray argument.
    static ExplorerOptions parse(const QStringList& arguments);
    static const char* usage();
};

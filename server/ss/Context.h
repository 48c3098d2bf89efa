// What every command gets from the tool's global options: the database folder, the user and
// where the login password comes from.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ss {

class Context {
public:
    std::optional<std::filesystem::path> databaseOption; // --db
    std::string user;                                    // --user; empty: the server's default
    bool passwordFromStdin = false;                      // --password-stdin

    // --db, else $SSDIR, else the registered current (or first) database; raises UsageError
    // when none is named anywhere, RefusedError when the registry cannot be read.
    std::filesystem::path databaseFolder() const;

    // The login password: standard input's first line with --password-stdin, else empty.
    std::string loginPassword();

    // The first line of standard input, without its line end. Standard input holds one line
    // for one reader only, so a second call raises. `what` names the line in the error raised
    // when standard input is empty.
    std::string readStdinLine(std::string_view what);

private:
    bool stdinTaken_ = false;
};

} // namespace ss

// What every command gets from the tool's global options: the database folder, the user and
// where the login password comes from.
#pragma once

#include <vss/VssAdmin.h>

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

    // The login password: standard input's first line with --password-stdin or when the user
    // has a password, else empty. Raises RefusedError when the user has one and standard input
    // holds none.
    std::string loginPassword();
    // Logs in to the database as the user; raises when the login is refused.
    vss::admin::Login logIn();

    // The next line of standard input, without its line end: the login password (when one is
    // read) comes first, a new password after it. `what` names the line in the error raised
    // when standard input has no more lines.
    std::string readStdinLine(std::string_view what);

private:
    bool nextStdinLine(std::string& line);
};

} // namespace ss

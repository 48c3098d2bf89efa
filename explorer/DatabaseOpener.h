// Opens the database the explorer works on: the one named on the command line, else the
// registry's current database, as the given user or the logon user. A password is asked only
// when the server refuses the empty one, and asked again while it is wrong.
#pragma once

#include "VssAutomation.h"

#include <stdexcept>
#include <string>

// The database cannot be opened; the message says which and why.
class OpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DatabaseOpener {
public:
    DatabaseOpener(std::string databaseFolder, std::string user);

    // Raises OpenError when the database cannot be opened or the user cancels the password.
    VssDatabase open() const;

    // The srcsafe.ini the explorer opens: the folder's, else that of APICurrentDatabase.
    std::string iniPath() const;
    const std::string& user() const { return user_; }

private:
    std::string folder_;
    std::string user_;
};

// The database's users. Names compare without regard to case; passwords are kept only as
// salted slow hashes (libsodium's crypto_pwhash_str).
#pragma once

#include "Store.h"

#include <optional>
#include <string>
#include <vector>

namespace vss::server {

struct User {
    std::int64_t id = 0;
    std::string name;
    std::string passwordHash; // empty: no password
};

class UserTable {
public:
    explicit UserTable(Store& store);

    std::optional<User> find(const std::string& name);
    // Raises when a user of that name exists already (in any case).
    void add(const std::string& name, const std::string& password);
    void setPassword(const std::string& name, const std::string& password);
    std::vector<std::string> names();
    // The administrator is the user the database was created with (the first user).
    bool isAdministrator(const User& user);

    // Raises, naming the user, unless the password is right. A user without a password opens
    // with an empty one.
    User authenticate(const std::string& name, const std::string& password);

    static std::string hashPassword(const std::string& password);
    static bool passwordMatches(const std::string& hash, const std::string& password);

private:
    Store& store_;
};

} // namespace vss::server

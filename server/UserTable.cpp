#include "UserTable.h"

#include "Names.h"

#include <sodium.h>

namespace vss::server {

namespace {
void validateUserName(const std::string& name) {
    if (name.empty() || name.size() > 31 || name.front() == ' ' || name.back() == ' ')
        throw invalidArgument("Invalid user name " + quote(name) +
                              ": 1 to 31 characters, no leading or trailing blank.");
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f)
            throw invalidArgument("Invalid user name " + quote(name) +
                                  ": control characters are not allowed.");
}
} // namespace

UserTable::UserTable(Store& store) : store_(store) {
    if (sodium_init() < 0)
        throw VssError("The password library could not start.");
}

std::optional<User> UserTable::find(const std::string& name) {
    auto q = store_.prepare("SELECT id, name, password FROM users WHERE name = ?1");
    q.bind(1, name);
    if (!q.step())
        return std::nullopt;
    return User{q.integer(0), q.text(1), q.isNull(2) ? std::string() : q.text(2)};
}

void UserTable::add(const std::string& name, const std::string& password) {
    validateUserName(name);
    const std::string hash = password.empty() ? std::string() : hashPassword(password);
    store_.write([&] {
        if (auto existing = find(name))
            throw VssError("The user " + quote(existing->name) + " exists already.");
        auto insert = store_.prepare("INSERT INTO users(name, password) VALUES(?1, ?2)");
        insert.bind(1, name);
        if (hash.empty())
            insert.bindNull(2);
        else
            insert.bind(2, hash);
        insert.run();
    });
}

void UserTable::setPassword(const std::string& name, const std::string& password) {
    const std::string hash = password.empty() ? std::string() : hashPassword(password);
    store_.write([&] {
        if (!find(name))
            throw VssError("The user " + quote(name) + " does not exist in this database.");
        auto update = store_.prepare("UPDATE users SET password = ?2 WHERE name = ?1");
        update.bind(1, name);
        if (hash.empty())
            update.bindNull(2);
        else
            update.bind(2, hash);
        update.run();
    });
}

std::vector<std::string> UserTable::names() {
    std::vector<std::string> result;
    auto q = store_.prepare("SELECT name FROM users ORDER BY name COLLATE NOCASE");
    while (q.step())
        result.push_back(q.text(0));
    return result;
}

bool UserTable::isAdministrator(const User& user) {
    auto q = store_.prepare("SELECT MIN(id) FROM users");
    return q.step() && q.integer(0) == user.id;
}

User UserTable::authenticate(const std::string& name, const std::string& password) {
    auto user = find(name);
    if (!user)
        throw VssError("The user " + quote(name) + " is not a user of this database.",
                       com::E_ACCESSDENIED);
    const bool ok = user->passwordHash.empty() ? password.empty()
                                               : passwordMatches(user->passwordHash, password);
    if (!ok)
        throw VssError("Wrong password for the user " + quote(user->name) + ".",
                       com::E_ACCESSDENIED);
    return *user;
}

std::string UserTable::hashPassword(const std::string& password) {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw VssError("Not enough memory to hash the password.");
    return out;
}

bool UserTable::passwordMatches(const std::string& hash, const std::string& password) {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

} // namespace vss::server

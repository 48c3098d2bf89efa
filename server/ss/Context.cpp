#include "Context.h"

#include "Errors.h"

#include <registry/Registry.h>
#include <vss/VssAdmin.h>

#include <cstdlib>
#include <iostream>

namespace ss {

namespace {

bool registryReadable() {
    try {
        reg::keyExists(reg::Root::LocalMachine, "Software");
        return true;
    } catch (const reg::RegistryError&) {
        return false;
    }
}

} // namespace

std::filesystem::path Context::databaseFolder() const {
    if (databaseOption)
        return *databaseOption;
    if (const char* folder = std::getenv("SSDIR"); folder != nullptr && *folder != '\0')
        return folder;
    try {
        return vss::admin::defaultDatabaseFolder();
    } catch (const vss::admin::AdminError& e) {
        // A hive that cannot be read is no missing option: the server's message names the
        // file and the line.
        if (!registryReadable())
            throw RefusedError(e.what());
        throw UsageError("no database given: use --db DIR or set SSDIR");
    }
}

std::string Context::loginPassword() {
    if (passwordFromStdin)
        return readStdinLine("the password");
    if (!vss::admin::hasPassword(databaseFolder(), user))
        return {};
    std::string line;
    if (!nextStdinLine(line))
        throw RefusedError("the user " + (user.empty() ? std::string("you log in as") : user) +
                           " has a password: write it on the first line of standard input");
    return line;
}

vss::admin::Login Context::logIn() {
    const std::string password = loginPassword();
    return vss::admin::login(databaseFolder(), user, password);
}

bool Context::nextStdinLine(std::string& line) {
    if (!std::getline(std::cin, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

std::string Context::readStdinLine(std::string_view what) {
    std::string line;
    if (!nextStdinLine(line))
        throw UsageError("expected " + std::string(what) + " on a line of standard input");
    return line;
}

} // namespace ss

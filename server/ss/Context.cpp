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
    return passwordFromStdin ? readStdinLine("the password") : std::string();
}

std::string Context::readStdinLine(std::string_view what) {
    if (stdinTaken_)
        throw UsageError("standard input holds only one line, but two were asked for");
    stdinTaken_ = true;
    std::string line;
    if (!std::getline(std::cin, line))
        throw UsageError("expected " + std::string(what) + " on the first line of standard input");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace ss

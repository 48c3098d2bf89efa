// A fresh registry and database for each ss test, with checks for the tool's exit contract.
#pragma once

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sstest {

class SsTest : public ::testing::Test {
protected:
    testenv::TestEnvironment env;

    // ss without --db, for commands that need no database or to test how one is found.
    static testenv::RunResult ssBare(const std::vector<std::string>& args,
                                     const std::string& stdinText = {},
                                     const std::map<std::string, std::string>& environment = {});
    // ss on the current database; a failure is an answer the caller checks.
    testenv::RunResult ssTry(const std::vector<std::string>& args,
                             const std::string& stdinText = {}, const std::string& user = {});

    // The database "Main" with a project $/Demo and a working folder root()/work for the
    // default user.
    std::filesystem::path createDemoProject();
    std::filesystem::path work() const { return env.root() / "work"; }
};

// Exit code 1 with one line "ss: ..." on standard error that contains `mentions`.
::testing::AssertionResult isRefused(const testenv::RunResult& r, const std::string& mentions);
// Exit code 2 with one line "ss: ..." on standard error and nothing on standard output.
::testing::AssertionResult isUsageError(const testenv::RunResult& r);

std::vector<std::string> lines(const std::string& text);
bool isReadOnly(const std::filesystem::path& file);

} // namespace sstest

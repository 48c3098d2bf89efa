// A fresh world for one test: its own temporary folder, its own registry hive folder, and on
// request a real database made with the server's command-line tool and registered in that
// registry. The environment variables it changes are put back when it ends.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testenv {

// Programs and libraries of the build, as compiled in.
std::filesystem::path ssTool();
std::filesystem::path serverLibrary();
std::filesystem::path addinLibrary();
std::filesystem::path hostProgram();
std::filesystem::path regTool();

struct RunResult {
    int exitCode = -1; // -1: killed or could not start
    std::string out;
    std::string err;
};

// Runs a program with no shell, feeding stdinText, and waits (at most timeoutSeconds).
RunResult run(const std::vector<std::string>& argv, const std::string& stdinText = {},
              const std::map<std::string, std::string>& extraEnvironment = {},
              int timeoutSeconds = 120);

class TestEnvironment {
public:
    // Points QUILLMOOR_REGISTRY at a new folder and clears SSDIR, SSUSER.
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path registryFolder() const { return root_ / "registry"; }

    // `ss create` in root()/name, then, as the administrator Admin, `ss adduser` for `user` (no
    // password) unless it is the administrator, then `ss register --name name`: the server class,
    // SCCServerPath and the database under "Databases". The database becomes current() for ss()
    // calls.
    std::filesystem::path createDatabase(const std::string& name = "Main",
                                         const std::string& user = currentUser());
    const std::filesystem::path& current() const { return database_; }

    // Runs the ss tool on the current database (--db), as `user` when given. Fails the test
    // (ADD_FAILURE) when it exits non-zero and expectSuccess is true.
    RunResult ss(const std::vector<std::string>& args, const std::string& stdinText = {},
                 bool expectSuccess = true, const std::optional<std::string>& user = {});

    // Writes a file (creating folders), returns its path.
    std::filesystem::path write(const std::filesystem::path& relative, const std::string& text);
    static std::string read(const std::filesystem::path& file);

    // The logon name the server falls back to.
    static std::string currentUser();

private:
    std::filesystem::path root_;
    std::filesystem::path database_;
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace testenv

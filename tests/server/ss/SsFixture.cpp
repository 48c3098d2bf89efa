#include "SsFixture.h"

#include <algorithm>
#include <sstream>

namespace sstest {

namespace {

::testing::AssertionResult isOneErrorLine(const testenv::RunResult& r) {
    const auto count = std::count(r.err.begin(), r.err.end(), '\n');
    if (!r.err.starts_with("ss: ") || count != 1 || r.err.back() != '\n')
        return ::testing::AssertionFailure() << "not one error line: [" << r.err << "]";
    return ::testing::AssertionSuccess();
}

} // namespace

testenv::RunResult SsTest::ssBare(const std::vector<std::string>& args,
                                  const std::string& stdinText,
                                  const std::map<std::string, std::string>& environment) {
    std::vector<std::string> argv{testenv::ssTool().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return testenv::run(argv, stdinText, environment);
}

testenv::RunResult SsTest::ssTry(const std::vector<std::string>& args, const std::string& stdinText,
                                 const std::string& user) {
    return env.ss(args, stdinText, false,
                  user.empty() ? std::nullopt : std::optional<std::string>(user));
}

std::filesystem::path SsTest::createDemoProject() {
    const auto db = env.createDatabase("Main");
    env.ss({"mkproj", "$/Demo", "-c", "the demo"});
    std::filesystem::create_directories(work());
    env.ss({"workfold", "$/Demo", work().string()});
    return db;
}

::testing::AssertionResult isRefused(const testenv::RunResult& r, const std::string& mentions) {
    if (r.exitCode != 1)
        return ::testing::AssertionFailure()
               << "exit code " << r.exitCode << ", expected 1; stderr: " << r.err;
    if (auto one = isOneErrorLine(r); !one)
        return one;
    if (r.err.find(mentions) == std::string::npos)
        return ::testing::AssertionFailure() << "'" << mentions << "' not in: " << r.err;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult isUsageError(const testenv::RunResult& r) {
    if (r.exitCode != 2)
        return ::testing::AssertionFailure()
               << "exit code " << r.exitCode << ", expected 2; stderr: " << r.err;
    if (!r.out.empty())
        return ::testing::AssertionFailure() << "output on bad usage: " << r.out;
    return isOneErrorLine(r);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

bool isReadOnly(const std::filesystem::path& file) {
    using std::filesystem::perms;
    const perms write = perms::owner_write | perms::group_write | perms::others_write;
    return (std::filesystem::status(file).permissions() & write) == perms::none;
}

} // namespace sstest

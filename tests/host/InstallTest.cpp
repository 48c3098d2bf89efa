// The installed layout works on its own: `cmake --install` into a fresh prefix registers
// nothing, every installed program finds its libraries in the prefix, `ss register` from there
// registers the installed server, and the installed host finds the installed add-in and runs a
// check-out and a check-in against it.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>

#include <QJsonArray>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <strings.h>

namespace {

namespace fs = std::filesystem;

constexpr char kServerClassKey[] =
    "Software\\Classes\\CLSID\\{783CD4E4-9D54-11CF-B8EE-00608CC9A71F}\\InprocServer32";
constexpr char kSourceSafeKey[] = "Software\\Microsoft\\SourceSafe";

// One installation per test program run: installing copies every program and library.
class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefixHolder_ = new testenv::TestEnvironment;
        prefix_ = prefixHolder_->root() / "prefix";
        install_ = testenv::run(
            {QM_CMAKE_COMMAND, "--install", QM_BUILD_DIR, "--prefix", prefix_.string()});
        registryAfterInstall_ = fs::exists(prefixHolder_->registryFolder()) &&
                                !fs::is_empty(prefixHolder_->registryFolder());
    }
    static void TearDownTestSuite() {
        delete prefixHolder_;
        prefixHolder_ = nullptr;
    }
    void SetUp() override {
        if (testenv::addinLibrary().empty() || !fs::exists(testenv::addinLibrary()))
            GTEST_SKIP() << "libquillmoor.so is not built";
        ASSERT_EQ(install_.exitCode, 0) << install_.out << install_.err;
    }

    static fs::path bin(const std::string& name) { return prefix_ / "bin" / name; }
    static fs::path lib(const std::string& name) { return prefix_ / "lib" / name; }

    // Runs an installed ss on the database.
    testenv::RunResult ss(const std::vector<std::string>& args) {
        std::vector<std::string> argv{bin("ss").string(), "--db", database.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        testenv::RunResult result = testenv::run(argv);
        EXPECT_EQ(result.exitCode, 0) << "ss " << args.front() << ": " << result.err;
        return result;
    }

    static testenv::TestEnvironment* prefixHolder_;
    static fs::path prefix_;
    static testenv::RunResult install_;
    static bool registryAfterInstall_;

    testenv::TestEnvironment env; // this test's registry and files
    fs::path database;
};

testenv::TestEnvironment* InstallTest::prefixHolder_ = nullptr;
fs::path InstallTest::prefix_;
testenv::RunResult InstallTest::install_;
bool InstallTest::registryAfterInstall_ = false;

TEST_F(InstallTest, PutsProgramsAndLibrariesIntoThePrefixAndRegistersNothing) {
    for (const char* program : {"idehost", "ss", "reg"}) {
        SCOPED_TRACE(program);
        EXPECT_TRUE(fs::is_regular_file(bin(program)));
        EXPECT_NE(fs::status(bin(program)).permissions() & fs::perms::owner_exec, fs::perms::none);
    }
    for (const char* library : {"libquillmoor.so", "libsourcesafe.so", "libqmplatform.so"}) {
        SCOPED_TRACE(library);
        EXPECT_TRUE(fs::is_regular_file(lib(library)));
    }
    // The explorer lives beside the server library, where the add-in starts it from.
    EXPECT_TRUE(fs::is_regular_file(lib("ssexp.exe")));
    EXPECT_NE(fs::status(lib("ssexp.exe")).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_FALSE(registryAfterInstall_);
}

TEST_F(InstallTest, InstalledProgramsFindTheirLibrariesInThePrefix) {
    for (const fs::path& file : {bin("idehost"), bin("ss"), bin("reg"), lib("libquillmoor.so"),
                                 lib("libsourcesafe.so"), lib("ssexp.exe")}) {
        SCOPED_TRACE(file.string());
        const testenv::RunResult ldd = testenv::run({"ldd", file.string()});
        ASSERT_EQ(ldd.exitCode, 0) << ldd.err;
        EXPECT_EQ(ldd.out.find("not found"), std::string::npos) << ldd.out;
        std::istringstream lines(ldd.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("libqmplatform.so") == std::string::npos &&
                line.find("libsourcesafe.so") == std::string::npos)
                continue;
            const auto arrow = line.find("=> ");
            ASSERT_NE(arrow, std::string::npos) << line;
            const std::string found = line.substr(arrow + 3, line.find(" (", arrow) - arrow - 3);
            EXPECT_EQ(fs::path(found).lexically_normal().parent_path(), prefix_ / "lib") << line;
        }
    }
}

TEST_F(InstallTest, RegisteredFromThePrefixTheInstalledServerRunsTheInstalledHost) {
    database = env.root() / "db";
    ASSERT_EQ(testenv::run({bin("ss").string(), "create", database.string()}).exitCode, 0);
    const std::string user = testenv::TestEnvironment::currentUser();
    if (strcasecmp(user.c_str(), "Admin") != 0)
        ss({"--user", "Admin", "adduser", user});
    ss({"register", "--name", "Main", "--current"});
    const auto server = reg::readValue(reg::Root::LocalMachine, kServerClassKey, "");
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(server->text, lib("libsourcesafe.so").string());
    EXPECT_EQ(reg::readValue(reg::Root::LocalMachine, kSourceSafeKey, "SCCServerPath")->text,
              lib("libsourcesafe.so").string());
    EXPECT_TRUE(fs::is_regular_file(lib("libsourcesafe.so").parent_path() / "ssexp.exe"));
    // No questions when the project is opened.
    reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "GetOnOpen", reg::Value::fromDword(0));

    const fs::path work = env.root() / "work";
    const fs::path unit1 = env.write(work / "Unit1.pas", "unit Unit1;\nend.\n");
    const fs::path dpr = env.write(
        work / "Demo.dpr", "program Demo;\n\nuses\n  Unit1 in 'Unit1.pas';\n\nbegin\nend.\n");
    ss({"mkproj", "$/Demo"});
    ss({"workfold", "$/Demo", work.string()});
    ss({"add", "$/Demo", unit1.string()});
    env.write(work / "Delphi.Vss", "$/Demo\r\n");

    // No --addin: the installed host finds the installed add-in.
    const Transcript t = runHost({bin("idehost").string(), "--script", "-"},
                                 "open " + dpr.string() + "\nmenu\nedit " + unit1.string() + R"(
verb 1
window "Check Out"
type MemoComment "installed"
click ButtonOk
expect MemoLog items "Checking out $/Demo/Unit1.pas"
click ButtonOk
idle
write )" + unit1.string() + R"( "unit Unit1;\n// from the installed host\nend.\n"
verb 2
window "Check In Files"
type MemoComment "checked in by the installed host"
click ButtonOk
click ButtonOk
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("menu")["name"].toString(), "S&ource Safe");
    EXPECT_EQ(t.first("menu")["entries"].toArray().size(), 15);
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
    EXPECT_EQ(ss({"cat", "$/Demo/Unit1.pas"}).out,
              "unit Unit1;\n// from the installed host\nend.\n");
    EXPECT_NE(ss({"history", "$/Demo/Unit1.pas"}).out.find("checked in by the installed host"),
              std::string::npos);
}

} // namespace

// `ss register`: the registry entries through which the add-in finds the server and the
// databases.
#include "SsFixture.h"

#include <registry/Registry.h>

#include <filesystem>
#include <fstream>

namespace sstest {
namespace {

namespace fs = std::filesystem;
using reg::Root;

constexpr char kClassKey[] = "CLSID\\{783CD4E4-9D54-11CF-B8EE-00608CC9A71F}\\InprocServer32";
constexpr char kSourceSafeKey[] = "Software\\Microsoft\\SourceSafe";
constexpr char kDatabasesKey[] = "Software\\Microsoft\\SourceSafe\\Databases";

std::string text(Root root, const char* key, const char* name) {
    const auto value = reg::readValue(root, key, name);
    return value ? value->text : "<missing>";
}

TEST_F(SsTest, RegisterWritesTheServerClassAndTheDatabase) {
    const fs::path db = env.createDatabase("Main"); // runs `ss register --name Main`
    const std::string library = text(Root::ClassesRoot, kClassKey, "");
    EXPECT_TRUE(fs::equivalent(library, testenv::serverLibrary())) << library;
    EXPECT_TRUE(fs::path(library).is_absolute());
    EXPECT_EQ(text(Root::LocalMachine, kSourceSafeKey, "SCCServerPath"), library);
    EXPECT_EQ(text(Root::LocalMachine, kDatabasesKey, "Main"), db.string());
    EXPECT_FALSE(reg::readValue(Root::LocalMachine, kSourceSafeKey, "APICurrentDatabase"));
}

TEST_F(SsTest, RegisterCurrentMakesTheDatabaseTheDefault) {
    const fs::path db = env.createDatabase("Main");
    const fs::path library = env.write("lib/libother.so", "not really a library");
    // A trailing separator does not reach the registry; the name defaults to the folder's.
    const auto registered =
        ssBare({"--db", db.string() + "/", "register", "--current", "--library", library.string()});
    ASSERT_EQ(registered.exitCode, 0) << registered.err;
    EXPECT_EQ(text(Root::LocalMachine, kSourceSafeKey, "APICurrentDatabase"), db.string());
    EXPECT_EQ(text(Root::LocalMachine, kSourceSafeKey, "SCCServerPath"), library.string());
    EXPECT_EQ(text(Root::ClassesRoot, kClassKey, ""), library.string());
    // Found without --db or SSDIR now.
    EXPECT_EQ(lines(ssBare({"users"}).out).size(), 2u);
}

TEST_F(SsTest, RegisterRefusesAMissingLibraryOrDatabase) {
    const fs::path db = env.createDatabase("Main");
    const std::string before = text(Root::LocalMachine, kSourceSafeKey, "SCCServerPath");
    EXPECT_TRUE(
        isRefused(ssBare({"--db", db.string(), "register", "--library", "/nonexistent/lib.so"}),
                  "/nonexistent/lib.so"));
    EXPECT_TRUE(
        isRefused(ssBare({"--db", env.root().string(), "register", "--name", "X"}), "srcsafe.ini"));
    EXPECT_EQ(text(Root::LocalMachine, kSourceSafeKey, "SCCServerPath"), before);
    EXPECT_FALSE(reg::readValue(Root::LocalMachine, kDatabasesKey, "X"));
}

TEST_F(SsTest, DamagedMachineHiveIsReportedWithItsFileAndLine) {
    const fs::path db = env.createDatabase("Main");
    const fs::path hive = reg::hiveFile(Root::LocalMachine);
    std::ofstream(hive) << "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SourceSafe\\Databases]\n"
                           "\"Main\"=\"/srv/vss\n";
    EXPECT_TRUE(isRefused(ssBare({"dir", "$/"}), hive.string() + ", line 4"));
    // Given a database, the registry is not needed.
    EXPECT_EQ(ssBare({"--db", db.string(), "dir", "$/"}).exitCode, 0);
}

} // namespace
} // namespace sstest

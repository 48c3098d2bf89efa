// Who may do what with ss: every command logs in as its user, only the administrator adds
// users and sets other users' passwords, and a new database is private to its creator unless
// it is shared with a group.
#include "SsFixture.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sstest {
namespace {

namespace fs = std::filesystem;

class SsAccessTest : public SsTest {
protected:
    void SetUp() override {
        env.createDatabase("Main");
        env.ss({"adduser", "bob"}, "", true, "Admin");
        env.ss({"adduser", "carol", "--password-stdin"}, "c4rol\n", true, "Admin");
    }
};

TEST_F(SsAccessTest, OnlyTheAdministratorAddsUsersOrSetsAnotherUsersPassword) {
    struct Case {
        const char* user;
        std::vector<std::string> args;
        const char* stdinText;
        const char* mentions;
    };
    const Case refused[] = {
        {"anyone", {"password", "Admin"}, "\n", "anyone"},
        {"bob", {"password", "Admin"}, "\n", "administrator"},
        {"bob", {"password", "carol"}, "x\n", "administrator"},
        {"bob", {"adduser", "eve"}, "", "administrator"},
        {"carol", {"adduser", "eve"}, "c4rol\n", "administrator"},
        {"carol", {"password", "bob"}, "c4rol\nx\n", "administrator"},
        {"carol", {"password", "carol"}, "wrong\nx\n", "Wrong password"},
    };
    for (const Case& c : refused)
        EXPECT_TRUE(isRefused(ssTry(c.args, c.stdinText, c.user), c.mentions))
            << c.user << " " << ::testing::PrintToString(c.args);
    // Nothing changed: the administrator still logs in without a password, no user was added,
    // and carol's password is the one she had.
    std::vector<std::string> users{"Admin", "bob", "carol",
                                   testenv::TestEnvironment::currentUser()};
    std::sort(users.begin(), users.end(), [](std::string a, std::string b) {
        std::transform(a.begin(), a.end(), a.begin(), ::tolower);
        std::transform(b.begin(), b.end(), b.begin(), ::tolower);
        return a < b;
    });
    EXPECT_EQ(lines(env.ss({"users"}, "", true, "Admin").out), users);
    EXPECT_EQ(ssTry({"dir"}, "c4rol\n", "carol").exitCode, 0);

    // Users set their own passwords; the administrator sets anyone's.
    env.ss({"password", "BOB"}, "b0b\n", true, "bob");
    EXPECT_TRUE(isRefused(ssTry({"dir"}, "", "bob"), "password"));
    EXPECT_EQ(ssTry({"dir"}, "b0b\n", "bob").exitCode, 0);
    env.ss({"password", "bob"}, "\n", true, "Admin");
    EXPECT_EQ(ssTry({"dir"}, "", "bob").exitCode, 0);
    // An administrator with a password gives it first, then the new user's.
    env.ss({"password", "Admin"}, "4dmin\n", true, "Admin");
    env.ss({"adduser", "dave", "--password-stdin"}, "4dmin\nd4ve\n", true, "Admin");
    EXPECT_EQ(ssTry({"dir"}, "d4ve\n", "dave").exitCode, 0);
}

TEST_F(SsAccessTest, EveryCommandLogsIn) {
    const std::vector<std::vector<std::string>> commands = {
        {"users"}, {"status"}, {"cat", "$/nothing"}, {"verify"}, {"dir"}, {"history", "$/"}};
    for (const auto& args : commands) {
        EXPECT_TRUE(isRefused(ssTry(args, "", "stranger"), "stranger"))
            << ::testing::PrintToString(args);
        EXPECT_TRUE(isRefused(ssTry(args, "", "carol"), "password"))
            << ::testing::PrintToString(args);
        EXPECT_TRUE(isRefused(ssTry(args, "wrong\n", "carol"), "Wrong password"))
            << ::testing::PrintToString(args);
    }
    EXPECT_EQ(ssTry({"status"}, "c4rol\n", "carol").exitCode, 0);
    EXPECT_EQ(ssTry({"--password-stdin", "users"}, "c4rol\n", "carol").exitCode, 0);
}

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

gid_t groupOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_gid;
}

TEST(SsCreateTest, ANewDatabaseIsPrivateUnlessSharedWithAGroup) {
    testenv::TestEnvironment env;
    const mode_t saved = ::umask(022);
    const fs::path mine = env.root() / "Mine";
    ASSERT_EQ(testenv::run({testenv::ssTool().string(), "create", mine.string()}).exitCode, 0);
    const fs::path shared = env.root() / "Shared";
    const group* own = ::getgrgid(::getegid());
    ASSERT_NE(own, nullptr);
    const auto created = testenv::run(
        {testenv::ssTool().string(), "create", shared.string(), "--group", own->gr_name});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    const auto unknown = testenv::run({testenv::ssTool().string(), "create",
                                       (env.root() / "X").string(), "--group", "no such group"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no such group"), std::string::npos) << unknown.err;
    EXPECT_FALSE(fs::exists(env.root() / "X"));
    // A write makes the store's log files, which take the store's mode.
    for (const fs::path& db : {mine, shared})
        ASSERT_EQ(testenv::run({testenv::ssTool().string(), "--db", db.string(), "--user", "Admin",
                                "mkproj", "$/P"})
                      .exitCode,
                  0);
    ::umask(saved);

    for (const char* folder : {"", "data"}) {
        EXPECT_EQ(modeOf(mine / folder), 0700u) << folder;
        EXPECT_EQ(modeOf(shared / folder), 02770u) << folder;
        EXPECT_EQ(groupOf(shared / folder), own->gr_gid) << folder;
    }
    for (const char* file : {"srcsafe.ini", "data/store.db"}) {
        EXPECT_EQ(modeOf(mine / file), 0600u) << file;
        EXPECT_EQ(modeOf(shared / file), 0660u) << file;
        EXPECT_EQ(groupOf(shared / file), own->gr_gid) << file;
    }
    for (const auto& entry : fs::directory_iterator(mine / "data"))
        EXPECT_EQ(modeOf(entry.path()), 0600u) << entry.path();
}

} // namespace
} // namespace sstest

// The ss tool as its users meet it: each command's normal use, its help, and its answers to
// bad usage and refused operations.
#include "SsFixture.h"

#include <cctype>
#include <filesystem>

namespace sstest {
namespace {

namespace fs = std::filesystem;
using testenv::TestEnvironment;

// A history line's fields: number, user, date, action, comment.
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> result;
    std::size_t at = 0;
    for (std::size_t gap; (gap = line.find("  ", at)) != std::string::npos; at = gap + 2)
        result.push_back(line.substr(at, gap - at));
    result.push_back(line.substr(at));
    return result;
}

// "2026-12-08T01:48:55Z"
bool isIsoDate(const std::string& text) {
    const std::string shape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                            : text[i] != shape[i])
            return false;
    return true;
}

const std::vector<std::string> kCommands = {
    "create", "adduser",  "password", "users",        "register", "mkproj",
    "add",    "workfold", "dir",      "status",       "history",  "cat",
    "get",    "checkout", "checkin",  "undocheckout", "verify",   "label"};

TEST_F(SsTest, HelpListsEveryCommandAndEachCommandDescribesItself) {
    const auto all = ssBare({"--help"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_TRUE(all.out.starts_with("usage: ss [--db DIR] [--user NAME] [--password-stdin]"));
    for (const auto& command : kCommands) {
        EXPECT_NE(all.out.find("\n  " + command + " "), std::string::npos) << command;
        const auto one = ssBare({command, "--help"});
        EXPECT_EQ(one.exitCode, 0) << command << ": " << one.err;
        EXPECT_TRUE(one.out.starts_with("usage: ss " + command)) << one.out;
        EXPECT_TRUE(one.err.empty()) << one.err;
    }
    // Help wins over arguments that would otherwise be wrong.
    EXPECT_EQ(ssBare({"checkout", "--help", "--bogus"}).exitCode, 0);
    EXPECT_TRUE(ssBare({"--help", "get"}).out.starts_with("usage: ss get SPEC"));
}

TEST_F(SsTest, BadUsageExitsWithTwoAndOneErrorLine) {
    env.createDatabase("Main");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--bogus", "users"},
        {"users", "extra"},
        {"mkproj"},
        {"add", "$/Demo"},
        {"checkout", "$/Demo/a.txt", "--bogus"},
        {"checkout", "$/Demo/a.txt", "-c"},
        {"get", "$/Demo/a.txt", "--replace", "--skip"},
        {"cat", "$/Demo/a.txt", "-v", "x"},
        {"cat", "$/Demo/a.txt", "-v", "0"},
        {"undocheckout", "$/Demo/a.txt", "--leave=yes"},
        {"create"},
        {"workfold", "$/Demo"},
    };
    for (const auto& args : cases) {
        const auto r = ssTry(args);
        EXPECT_TRUE(isUsageError(r)) << ::testing::PrintToString(args);
    }
    EXPECT_TRUE(isUsageError(ssBare({"--db"})));
    // No --db, no SSDIR and nothing registered: there is no database to work on.
    TestEnvironment empty;
    EXPECT_TRUE(isUsageError(ssBare({"users"})));
}

TEST_F(SsTest, PasswordsAreReadFromStandardInputOnly) {
    env.createDatabase("Main");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--password", "s3cret", "dir"},
          {"--password=s3cret", "dir"},
          {"-p", "s3cret", "dir"},
          {"adduser", "carol", "s3cret"},
          {"adduser", "carol", "--password", "s3cret"},
          {"password", "carol", "s3cret"},
          {"dir", "--password=s3cret"}})
        EXPECT_TRUE(isUsageError(ssTry(args))) << ::testing::PrintToString(args);
    EXPECT_EQ(lines(env.ss({"users"}).out).size(), 2u) << "a refused adduser added a user";

    env.ss({"adduser", "carol", "--password-stdin"}, "s3cret\n", true, "Admin");
    EXPECT_EQ(ssTry({"--password-stdin", "dir"}, "s3cret\n", "carol").exitCode, 0);
    EXPECT_TRUE(isRefused(ssTry({"--password-stdin", "dir"}, "wrong\n", "carol"), ""));
    EXPECT_TRUE(isRefused(ssTry({"dir"}, "", "carol"), ""));

    env.ss({"password", "carol"}, "n3w\r\n", true, "Admin");
    EXPECT_EQ(ssTry({"--password-stdin", "dir"}, "n3w\n", "carol").exitCode, 0);
    EXPECT_TRUE(isRefused(ssTry({"--password-stdin", "dir"}, "s3cret\n", "carol"), ""));
    // An empty line removes the password; no line at all is a mistake.
    EXPECT_TRUE(isUsageError(ssTry({"password", "carol"}, "", "Admin")));
    env.ss({"password", "carol"}, "\n", true, "Admin");
    EXPECT_EQ(ssTry({"dir"}, "", "carol").exitCode, 0);
    // The login password and the new password are two lines.
    EXPECT_TRUE(isUsageError(ssTry({"--password-stdin", "password", "carol"}, "\n", "Admin")));
}

TEST_F(SsTest, CreateMakesADatabaseFoundByDbOrSsdir) {
    const fs::path folder = env.root() / "New";
    const auto created = ssBare({"create", folder.string(), "--admin", "Boss"});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_TRUE(fs::exists(folder / "srcsafe.ini"));
    EXPECT_EQ(ssBare({"--db", folder.string(), "--user", "Boss", "users"}).out, "Boss\n");
    EXPECT_EQ(ssBare({"users"}, "", {{"SSDIR", folder.string()}, {"SSUSER", "Boss"}}).out,
              "Boss\n");
    EXPECT_TRUE(isRefused(ssBare({"create", folder.string()}), ""));
}

TEST_F(SsTest, ProjectsFilesAndListings) {
    createDemoProject();
    env.write(work() / "a.txt", "alpha\n");
    env.write(work() / "b.txt", "beta\n");
    const auto added = env.ss(
        {"add", "$/Demo", (work() / "a.txt").string(), (work() / "b.txt").string(), "-c", "first"});
    EXPECT_EQ(added.out, "$/Demo/a.txt\n$/Demo/b.txt\n");
    EXPECT_TRUE(isReadOnly(work() / "a.txt"));
    env.ss({"mkproj", "$/Demo/Sub"});
    env.write(work() / "Sub" / "c.txt", "gamma\n");
    env.ss({"add", "$/Demo/Sub", (work() / "Sub" / "c.txt").string(), "--writable"});
    EXPECT_FALSE(isReadOnly(work() / "Sub" / "c.txt"));

    EXPECT_EQ(env.ss({"dir"}).out, "$Demo\n");
    EXPECT_EQ(env.ss({"dir", "$/Demo"}).out, "a.txt\nb.txt\n$Sub\n");
    EXPECT_EQ(env.ss({"dir", "-R", "$/Demo"}).out,
              "$/Demo:\na.txt\nb.txt\n$Sub\n\n$/Demo/Sub:\nc.txt\n");
    EXPECT_EQ(env.ss({"dir", "$/demo/A.TXT"}).out, "a.txt\n");

    // Refusals name what they refuse.
    EXPECT_TRUE(isRefused(ssTry({"add", "$/Demo", (work() / "a.txt").string()}), "a.txt"));
    EXPECT_TRUE(isRefused(ssTry({"add", "$/Demo", (work() / "none.txt").string()}), "none.txt"));
    EXPECT_TRUE(isRefused(ssTry({"mkproj", "$/Demo/bad:name"}), "bad:name"));
    EXPECT_TRUE(isRefused(ssTry({"mkproj", "nonsense"}), "nonsense"));
    EXPECT_TRUE(isRefused(ssTry({"dir", "$/Missing"}), "Missing"));
    EXPECT_EQ(env.ss({"dir", "$/Demo"}).out, "a.txt\nb.txt\n$Sub\n");
}

TEST_F(SsTest, CheckOutCheckInStatusHistoryAndCat) {
    createDemoProject();
    const std::string me = TestEnvironment::currentUser();
    const fs::path a = env.write(work() / "a.txt", "one\n");
    env.ss({"add", "$/Demo", a.string(), "-c", "first"});

    env.ss({"checkout", "$/Demo/a.txt", "-c", "editing"});
    EXPECT_FALSE(isReadOnly(a));
    EXPECT_EQ(env.ss({"status"}).out, "$/Demo/a.txt  " + me + "  " + a.string() + "\n");
    env.write(a, "two\n");
    env.ss({"checkin", "$/Demo/a.txt", "-c", "second\nline"});
    EXPECT_TRUE(isReadOnly(a));
    EXPECT_EQ(env.ss({"status", "$/Demo"}).out, "");

    const auto history = lines(env.ss({"history", "$/Demo/a.txt"}).out);
    ASSERT_EQ(history.size(), 2u);
    const auto newest = fields(history[0]);
    ASSERT_GE(newest.size(), 5u) << history[0];
    EXPECT_EQ(newest[0], "2");
    EXPECT_EQ(newest[1], me);
    EXPECT_TRUE(isIsoDate(newest[2])) << newest[2];
    EXPECT_EQ(newest.back(), "second line") << history[0];
    EXPECT_EQ(fields(history[1])[0], "1");
    EXPECT_EQ(env.ss({"cat", "$/Demo/a.txt"}).out, "two\n");
    EXPECT_EQ(env.ss({"cat", "$/Demo/a.txt", "-v", "1"}).out, "one\n");

    EXPECT_TRUE(isRefused(ssTry({"cat", "$/Demo/a.txt", "-v", "9"}), ""));

    // Unchanged: no new version unless forced.
    env.ss({"checkout", "$/Demo/a.txt"});
    env.ss({"checkin", "$/Demo/a.txt"});
    EXPECT_EQ(lines(env.ss({"history", "$/Demo/a.txt"}).out).size(), 2u);
    EXPECT_EQ(env.ss({"status"}).out, "");
    env.ss({"checkout", "$/Demo/a.txt"});
    env.ss({"checkin", "$/Demo/a.txt", "--force"});
    EXPECT_EQ(lines(env.ss({"history", "$/Demo/a.txt"}).out).size(), 3u);

    // --no-get keeps the local side as it is.
    fs::remove(a);
    env.ss({"checkout", "$/Demo/a.txt", "--no-get"});
    EXPECT_FALSE(fs::exists(a));
    env.ss({"undocheckout", "$/Demo/a.txt"});
    EXPECT_EQ(TestEnvironment::read(a), "two\n");
}

TEST_F(SsTest, LabelsAreVersionsShownInTheHistory) {
    createDemoProject();
    const std::string me = TestEnvironment::currentUser();
    const fs::path a = env.write(work() / "a.txt", "one\n");
    env.ss({"add", "$/Demo", a.string()});
    env.ss({"label", "$/Demo/a.txt", "Beta 2", "-c", "for testers"});
    const auto labelled = lines(env.ss({"history", "$/Demo/a.txt"}).out);
    ASSERT_EQ(labelled.size(), 2u);
    EXPECT_EQ(fields(labelled[0])[0], "2");
    EXPECT_NE(labelled[0].find("  " + me + "  "), std::string::npos) << labelled[0];
    EXPECT_NE(labelled[0].find("Labeled \"Beta 2\"  for testers"), std::string::npos)
        << labelled[0];
    EXPECT_EQ(env.ss({"cat", "$/Demo/a.txt", "-v", "2"}).out, "one\n");
    EXPECT_EQ(env.ss({"label", "$/Demo/none.txt", "x"}, {}, false).exitCode, 1);
}

TEST_F(SsTest, CatWritesBinaryAndEmptyContentExactly) {
    createDemoProject();
    const std::string binary("\0\1\2\xff\n\r\0end", 10);
    const fs::path bin = env.write(work() / "data.bin", binary);
    const fs::path empty = env.write(work() / "empty.txt", "");
    env.ss({"add", "$/Demo", bin.string(), empty.string()});
    EXPECT_EQ(env.ss({"cat", "$/Demo/data.bin"}).out, binary);
    EXPECT_EQ(env.ss({"cat", "$/Demo/empty.txt"}).out, "");
}

TEST_F(SsTest, UndoCheckoutReplacesOrLeavesTheLocalCopy) {
    createDemoProject();
    const fs::path a = env.write(work() / "a.txt", "stored\n");
    env.ss({"add", "$/Demo", a.string()});

    env.ss({"checkout", "$/Demo/a.txt"});
    env.write(a, "mine\n");
    env.ss({"undocheckout", "$/Demo/a.txt", "--leave"});
    EXPECT_EQ(TestEnvironment::read(a), "mine\n");
    EXPECT_EQ(env.ss({"status"}).out, "");

    // The writable "mine" would stop a check-out that gets the file; keep it.
    env.ss({"checkout", "$/Demo/a.txt", "--no-get"});
    env.write(a, "mine again\n");
    env.ss({"undocheckout", "$/Demo/a.txt"});
    EXPECT_EQ(TestEnvironment::read(a), "stored\n");
    EXPECT_EQ(lines(env.ss({"history", "$/Demo/a.txt"}).out).size(), 1u);
}

class SsGetTest : public SsTest {
protected:
    // $/Demo/a.txt and $/Demo/Sub/c.txt by the default user; bob works in root()/bob.
    void SetUp() override {
        createDemoProject();
        a = env.write(work() / "a.txt", "l1\nl2\nl3\n");
        env.ss({"add", "$/Demo", a.string()});
        env.ss({"mkproj", "$/Demo/Sub"});
        env.ss({"add", "$/Demo/Sub", env.write(work() / "Sub" / "c.txt", "c\n").string()});
        env.ss({"adduser", "bob"}, {}, true, "Admin");
        fs::create_directories(bobs());
        env.ss({"workfold", "$/Demo", bobs().string()}, {}, true, "bob");
    }
    fs::path bobs() const { return env.root() / "bob"; }
    void changeA(const std::string& text) {
        env.ss({"checkout", "$/Demo/a.txt"});
        env.write(a, text);
        env.ss({"checkin", "$/Demo/a.txt"});
    }
    fs::path a;
};

TEST_F(SsGetTest, GetsReadOnlyOrWritableAndRecursesOnlyWithR) {
    env.ss({"get", "$/Demo"}, {}, true, "bob");
    EXPECT_EQ(TestEnvironment::read(bobs() / "a.txt"), "l1\nl2\nl3\n");
    EXPECT_TRUE(isReadOnly(bobs() / "a.txt"));
    EXPECT_FALSE(fs::exists(bobs() / "Sub" / "c.txt"));
    env.ss({"get", "$/Demo", "-R", "--writable"}, {}, true, "bob");
    EXPECT_EQ(TestEnvironment::read(bobs() / "Sub" / "c.txt"), "c\n");
    EXPECT_FALSE(isReadOnly(bobs() / "Sub" / "c.txt"));
}

TEST_F(SsGetTest, AWritableLocalCopyThatDiffersIsRefusedSkippedOrReplaced) {
    env.ss({"get", "$/Demo/a.txt", "--writable"}, {}, true, "bob");
    env.write(bobs() / "a.txt", "bob's\n");
    changeA("l1\nl2\nl3 changed\n");
    EXPECT_TRUE(isRefused(ssTry({"get", "$/Demo/a.txt"}, {}, "bob"), "a.txt"));
    EXPECT_EQ(TestEnvironment::read(bobs() / "a.txt"), "bob's\n");
    EXPECT_EQ(ssTry({"get", "$/Demo/a.txt", "--skip"}, {}, "bob").exitCode, 0);
    EXPECT_EQ(TestEnvironment::read(bobs() / "a.txt"), "bob's\n");
    EXPECT_EQ(ssTry({"get", "$/Demo/a.txt", "--replace"}, {}, "bob").exitCode, 0);
    EXPECT_EQ(TestEnvironment::read(bobs() / "a.txt"), "l1\nl2\nl3 changed\n");
}

TEST_F(SsGetTest, MergeJoinsChangesToDifferentLines) {
    env.ss({"get", "$/Demo/a.txt", "--writable"}, {}, true, "bob");
    env.write(bobs() / "a.txt", "l1 bob\nl2\nl3\n");
    changeA("l1\nl2\nl3 changed\n");
    const auto merged = ssTry({"get", "$/Demo/a.txt", "--merge"}, {}, "bob");
    EXPECT_EQ(merged.exitCode, 0) << merged.err;
    EXPECT_EQ(TestEnvironment::read(bobs() / "a.txt"), "l1 bob\nl2\nl3 changed\n");
}

TEST_F(SsGetTest, RefusedOperationsExitWithOneAndNameTheReason) {
    const std::string me = TestEnvironment::currentUser();
    env.ss({"checkout", "$/Demo/a.txt"});
    EXPECT_TRUE(isRefused(ssTry({"checkout", "$/Demo/a.txt"}, {}, "bob"), me));
    EXPECT_TRUE(isRefused(ssTry({"checkin", "$/Demo/a.txt"}, {}, "bob"), ""));
    EXPECT_TRUE(isRefused(ssTry({"undocheckout", "$/Demo/a.txt"}, {}, "bob"), ""));
    EXPECT_TRUE(isRefused(ssTry({"checkout", "$/Demo/nope.txt"}), "nope.txt"));
    EXPECT_TRUE(isRefused(ssTry({"dir"}, {}, "mallory"), "mallory"));
    // No working folder above the file: nothing to check out into.
    env.ss({"mkproj", "$/Other"});
    env.ss({"add", "$/Other", env.write("elsewhere/x.txt", "x\n").string()});
    EXPECT_TRUE(isRefused(ssTry({"checkout", "$/Other/x.txt"}, {}, "bob"), ""));
    EXPECT_EQ(env.ss({"status"}).out, "$/Demo/a.txt  " + me + "  " + a.string() + "\n");
}

TEST_F(SsTest, AddOfANameThatDiffersOnlyInCaseIsRefused) {
    createDemoProject();
    env.ss({"add", "$/Demo", env.write(work() / "\u00E9.txt", "small e\n").string()});
    const auto refused =
        ssTry({"add", "$/Demo", env.write(work() / "\u00C9.txt", "capital E\n").string()});
    EXPECT_TRUE(isRefused(refused, "The project \"$/Demo\" already has an item named "
                                   "\"\u00E9.txt\", which is the same name as \"\u00C9.txt\" "
                                   "when case is ignored."));
    EXPECT_EQ(env.ss({"dir", "$/Demo"}).out, "\u00E9.txt\n");
    EXPECT_EQ(env.ss({"cat", "$/Demo/\u00C9.TXT"}).out, "small e\n");
}

TEST_F(SsTest, VerifyPassesOnASoundStoreAndFailsOnADamagedOne) {
    createDemoProject();
    env.ss({"add", "$/Demo", env.write(work() / "a.txt", std::string(100000, 'a')).string()});
    const auto sound = env.ss({"verify"});
    EXPECT_NE(sound.out.find(" 0 problems"), std::string::npos) << sound.out;

    // The store is the largest file in the database's folders; wreck all after its header.
    fs::path store;
    for (const auto& entry : fs::recursive_directory_iterator(env.current()))
        if (const std::string name = entry.path().filename().string();
            entry.is_regular_file() && name != "srcsafe.ini" && !name.ends_with("-wal") &&
            !name.ends_with("-shm") && (store.empty() || entry.file_size() > fs::file_size(store)))
            store = entry.path();
    ASSERT_FALSE(store.empty());
    const std::string garbage(fs::file_size(store) - 100, '\x5a');
    std::string head = TestEnvironment::read(store).substr(0, 100);
    env.write(store, head + garbage);
    EXPECT_TRUE(isRefused(ssTry({"verify"}), ""));
}

TEST_F(SsTest, AnEmptyNameAnywhereInAProjectPathIsRefused) {
    createDemoProject();
    for (const char* spec : {"$//P", "$/Demo//z", "$/Demo//", "$/Demo/x//y"}) {
        EXPECT_TRUE(isRefused(ssTry({"mkproj", spec}), "")) << spec;
    }
    EXPECT_EQ(env.ss({"dir", "$/Demo"}).out, "");
}

} // namespace
} // namespace sstest

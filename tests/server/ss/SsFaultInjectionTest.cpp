// A full or failing disk at every step of a check-in, a recursive get and an add: ss runs with
// the N-th write, fsync or rename failing, for N = 1, 2, ... until a run meets no fault. A run
// that reports success did all of its work; any run leaves every file whole, no temporary file
// behind, and a store that opens and verifies clean.
#include "SsFixture.h"

#include "CaseFoldedNames.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>

namespace sstest {
namespace {

namespace fs = std::filesystem;
using testenv::RunResult;

class SsFaultInjectionTest : public SsTest {
protected:
    // The database and the working folder as they were before the operation under test.
    void saveState() {
        fs::create_directories(saved());
        fs::copy(env.current(), saved() / "db", fs::copy_options::recursive);
        fs::copy(work(), saved() / "work", fs::copy_options::recursive);
    }
    void restoreState() {
        for (const auto& [from, to] :
             {std::pair{saved() / "db", env.current()}, std::pair{saved() / "work", work()}}) {
            makeWritable(to);
            fs::remove_all(to);
            fs::copy(from, to, fs::copy_options::recursive);
        }
    }
    static void makeWritable(const fs::path& folder) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(folder, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
    }
    fs::path saved() const { return env.root() / "saved"; }

    // ss with the N-th I/O call failing; `faulted` tells whether the run got that far.
    RunResult ssFailingAt(int n, const std::vector<std::string>& args, bool& faulted) {
        const fs::path mark = env.root() / "fault-mark";
        fs::remove(mark);
        std::vector<std::string> argv{testenv::ssTool().string(), "--db", env.current().string()};
        argv.insert(argv.end(), args.begin(), args.end());
        const RunResult result = testenv::run(argv, {},
                                              {{"LD_PRELOAD", FAULT_SHIM},
                                               {"QM_FAULT_AT", std::to_string(n)},
                                               {"QM_FAULT_MARK", mark.string()},
                                               {"ASAN_OPTIONS", "verify_asan_link_order=0"}});
        faulted = fs::exists(mark);
        return result;
    }

    // Files of the working folder (relative path -> content); fails on any temporary file.
    std::map<std::string, std::string> localFiles() {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(work())) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.find(".vss-"), std::string::npos) << entry.path() << " was left";
            if (entry.is_regular_file())
                files[entry.path().lexically_relative(work()).string()] =
                    testenv::TestEnvironment::read(entry.path());
        }
        return files;
    }

    // Runs the operation failing at every N; `check` judges each run's outcome.
    void failEveryStep(const std::vector<std::string>& args,
                       const std::function<void(const RunResult&)>& check) {
        saveState();
        int n = 1;
        for (;; ++n) {
            SCOPED_TRACE("failing I/O call " + std::to_string(n));
            restoreState();
            bool faulted = false;
            const RunResult result = ssFailingAt(n, args, faulted);
            if (!faulted) {
                EXPECT_EQ(result.exitCode, 0) << result.err;
                check(result);
                break;
            }
            EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.err;
            const RunResult verified = ssTry({"verify"});
            EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
            check(result);
            if (::testing::Test::HasFailure())
                break;
        }
        EXPECT_GT(n, 3) << "the operation met too few I/O calls to be a test";
    }
};

TEST_F(SsFaultInjectionTest, CheckIn) {
    createDemoProject();
    for (const char* name : {"a.txt", "b.txt"})
        env.ss({"add", "$/Demo", env.write(work() / name, std::string(name) + " v1\n").string()});
    env.ss({"checkout", "$/Demo/a.txt"});
    env.write(work() / "a.txt", "a.txt v2\n");
    failEveryStep({"checkin", "$/Demo/a.txt", "-c", "second"}, [&](const RunResult& r) {
        const std::string stored = env.ss({"cat", "$/Demo/a.txt"}).out;
        if (r.exitCode == 0) {
            EXPECT_EQ(stored, "a.txt v2\n");
        } else {
            EXPECT_TRUE(stored == "a.txt v1\n" || stored == "a.txt v2\n") << stored;
        }
        const auto status = env.ss({"status"}).out;
        // Checked in exactly when the new version is stored.
        EXPECT_EQ(status.empty(), stored == "a.txt v2\n") << status;
        EXPECT_EQ(localFiles(), (std::map<std::string, std::string>{{"a.txt", "a.txt v2\n"},
                                                                    {"b.txt", "b.txt v1\n"}}));
    });
}

TEST_F(SsFaultInjectionTest, RecursiveGet) {
    createDemoProject();
    env.ss({"mkproj", "$/Demo/Sub"});
    const std::map<std::string, std::string> files{
        {"a.txt", "alpha\n"}, {"b.txt", std::string(300000, 'b')}, {"Sub/c.txt", "gamma\n"}};
    for (const auto& [name, text] : files) {
        const fs::path project = fs::path("$/Demo") / fs::path(name).parent_path();
        env.ss({"add", project.lexically_normal().string(),
                env.write(fs::path("source") / name, text).string()});
    }
    failEveryStep({"get", "-R", "$/Demo"}, [&](const RunResult& r) {
        const auto local = localFiles();
        if (r.exitCode == 0) {
            EXPECT_EQ(local, files);
        }
        // Whatever was written is whole.
        for (const auto& [name, text] : local)
            EXPECT_EQ(text, files.at(name)) << name;
    });
}

// Where the file system cannot link an unnamed file in nor swap two names, new and replaced
// copies are written under a temporary name and renamed, just as whole.
TEST_F(SsFaultInjectionTest, AGetOnAPlainFileSystemWritesWholeFilesAndLeavesNoTemporary) {
    createDemoProject();
    const std::map<std::string, std::string> files{{"a.txt", "alpha\n"}, {"b.txt", "beta\n"}};
    for (const auto& [name, text] : files)
        env.ss({"add", "$/Demo", env.write(fs::path("source") / name, text).string()});
    fs::remove_all(work());
    fs::create_directories(work());
    auto plainGet = [&] {
        std::vector<std::string> argv{
            testenv::ssTool().string(), "--db", env.current().string(), "get", "-R", "$/Demo"};
        return testenv::run(argv, {},
                            {{"LD_PRELOAD", FAULT_SHIM},
                             {"QM_FAULT_PLAIN_FS", "1"},
                             {"ASAN_OPTIONS", "verify_asan_link_order=0"}});
    };
    const RunResult fresh = plainGet();
    EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
    EXPECT_EQ(localFiles(), files);
    // A read-only copy that no longer holds its version is replaced.
    const fs::path a = work() / "a.txt";
    fs::permissions(a, fs::perms::owner_write, fs::perm_options::add);
    env.write(a, "damaged\n");
    fs::permissions(a, fs::perms::owner_write, fs::perm_options::remove);
    const RunResult replaced = plainGet();
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(localFiles(), files);
}

TEST_F(SsFaultInjectionTest, Add) {
    createDemoProject();
    const fs::path file = env.write(work() / "new.txt", std::string(200000, 'n'));
    failEveryStep({"add", "$/Demo", file.string()}, [&](const RunResult& r) {
        const std::string listed = env.ss({"dir", "$/Demo"}).out;
        if (r.exitCode == 0) {
            EXPECT_EQ(listed, "new.txt\n");
        }
        if (listed == "new.txt\n") {
            EXPECT_EQ(env.ss({"cat", "$/Demo/new.txt"}).out, std::string(200000, 'n'));
        } else {
            EXPECT_EQ(listed, "");
        }
        EXPECT_EQ(localFiles(),
                  (std::map<std::string, std::string>{{"new.txt", std::string(200000, 'n')}}));
    });
}

TEST_F(SsFaultInjectionTest, AReadOnlyStoreIsReadAndAFullDiskIsNamed) {
    createDemoProject();
    env.ss({"add", "$/Demo", env.write(work() / "a.txt", "alpha\n").string()});
    fs::remove(work() / "a.txt");
    const std::map<std::string, std::string> readOnly{{"LD_PRELOAD", FAULT_SHIM},
                                                      {"QM_FAULT_READONLY", env.current().string()},
                                                      {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
    auto ssOn = [&](const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& environment) {
        std::vector<std::string> argv{testenv::ssTool().string(), "--db", env.current().string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return testenv::run(argv, {}, environment);
    };
    const auto listed = ssOn({"dir", "$/Demo"}, readOnly);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "a.txt\n");
    EXPECT_EQ(ssOn({"cat", "$/Demo/a.txt"}, readOnly).out, "alpha\n");
    EXPECT_EQ(lines(ssOn({"history", "$/Demo/a.txt"}, readOnly).out).size(), 1u);
    EXPECT_EQ(ssOn({"status"}, readOnly).exitCode, 0);
    const auto got = ssOn({"get", "-R", "$/Demo"}, readOnly);
    EXPECT_EQ(got.exitCode, 0) << got.err;
    EXPECT_EQ(testenv::TestEnvironment::read(work() / "a.txt"), "alpha\n");
    const auto refused = ssOn({"checkout", "$/Demo/a.txt"}, readOnly);
    EXPECT_TRUE(isRefused(refused, "read-only"));
    EXPECT_EQ(refused.err.find("integrity"), std::string::npos) << refused.err;

    // The first write of a run that opens the store is the log index's: the disk is full.
    bool faulted = false;
    const auto full = ssFailingAt(1, {"dir", "$/Demo"}, faulted);
    ASSERT_TRUE(faulted);
    EXPECT_TRUE(isRefused(full, "disk is full"));
    EXPECT_EQ(full.err.find("integrity"), std::string::npos) << full.err;
}

TEST_F(SsFaultInjectionTest, AnEarlierStoreNeedsWriteAccessOnceToBeBroughtUpToDate) {
    createDemoProject();
    env.ss({"add", "$/Demo", env.write(work() / "\u00E9.txt", "e\n").string()});
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((env.current() / "data" / "store.db").c_str(), &raw), SQLITE_OK);
    const int rc = sqlite3_exec(raw, testsupport::kEarlierStoreShape, nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    ASSERT_EQ(rc, SQLITE_OK);
    const std::vector<std::string> dir{testenv::ssTool().string(), "--db", env.current().string(),
                                       "dir", "$/Demo/\u00C9.TXT"};
    const std::map<std::string, std::string> readOnly{{"LD_PRELOAD", FAULT_SHIM},
                                                      {"QM_FAULT_READONLY", env.current().string()},
                                                      {"ASAN_OPTIONS", "verify_asan_link_order=0"}};

    EXPECT_TRUE(isRefused(testenv::run(dir, {}, readOnly),
                          "has the older format 1 and is read-only, so it cannot be brought up "
                          "to format 2; open it once with write access."));
    EXPECT_EQ(testenv::run(dir, {}, {}).out, "\u00E9.txt\n");
    EXPECT_EQ(testenv::run(dir, {}, readOnly).out, "\u00E9.txt\n");
}

} // namespace
} // namespace sstest

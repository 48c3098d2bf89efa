// Faults across processes: two processes racing for the same check-outs, a process killed in the
// middle of a series of check-ins, of a get of many files or of a run of check-outs, and when a
// run of check-outs reaches the disk.
#include "ChildProcess.h"
#include "Contents.h"
#include "SsFixture.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

namespace sstest {
namespace {

namespace fs = std::filesystem;
using testenv::TestEnvironment;

// Adds files 0..count-1 with their version-1 contents to a new project, from a folder that is
// nobody's working folder.
void addKnownFiles(TestEnvironment& env, const std::string& project, int count, std::size_t size) {
    env.ss({"mkproj", project});
    std::vector<std::string> args{"add", project};
    for (int i = 0; i < count; ++i)
        args.push_back(
            env.write(fs::path("source") / fileName(i), knownContent(i, 1, size)).string());
    env.ss(args);
}

// The database "Main" with `count` known files in `project`, whose working folder is `folder`;
// returns the database's folder.
fs::path databaseWithKnownFiles(TestEnvironment& env, const std::string& project, int count,
                                std::size_t size, const fs::path& folder) {
    const fs::path db = env.createDatabase("Main");
    addKnownFiles(env, project, count, size);
    fs::create_directories(folder);
    env.ss({"workfold", project, folder.string()});
    return db;
}

// Lets a series that prints "done N" after each file run to a random index in
// [from, from + span), kills it a random moment under `maxPause` later and reads what it printed
// until then: `lastDone` is the last index it finished, and the series did not get to its end.
void killAmidSeries(ChildProcess& series, int count, int from, int span,
                    std::chrono::microseconds maxPause, const std::string& what, int& lastDone) {
    std::mt19937 rng(std::random_device{}());
    const int target = from + static_cast<int>(rng() % span);
    lastDone = -1;
    while (lastDone < target) {
        const auto line = series.readLine();
        ASSERT_TRUE(line && line->starts_with("done ")) << line.value_or("<no output>");
        lastDone = std::stoi(line->substr(5));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % maxPause.count()));
    series.kill(SIGKILL);
    for (auto line = series.readLine(); line; line = series.readLine())
        if (line->starts_with("done "))
            lastDone = std::stoi(line->substr(5));
    ASSERT_EQ(series.wait(), -SIGKILL) << "the " << what << " ended before it was killed";
    ASSERT_LT(lastDone, count - 1);
}

TEST_F(SsTest, TwoProcessesCheckingOutTheSameFilesLeaveEachWithOneOwner) {
    constexpr int kCount = 100;
    const fs::path db = env.createDatabase("Main");
    env.ss({"adduser", "alice"}, {}, true, "Admin");
    env.ss({"adduser", "bob"}, {}, true, "Admin");
    addKnownFiles(env, "$/Race", kCount, 100);

    const std::map<std::string, std::string> other{{"alice", "bob"}, {"bob", "alice"}};
    std::map<std::string, std::unique_ptr<ChildProcess>> racers;
    for (const auto& [user, rival] : other) {
        fs::create_directories(env.root() / user);
        racers[user] = std::make_unique<ChildProcess>(
            std::vector<std::string>{SS_TEST_HELPER, "checkout-all", db.string(), user, "$/Race",
                                     std::to_string(kCount), (env.root() / user).string()});
    }
    for (auto& [user, racer] : racers)
        ASSERT_EQ(racer->readLine(), "ready") << user;
    for (auto& [user, racer] : racers)
        racer->writeLine("go");

    std::map<std::string, std::string> owner; // file name -> user
    for (auto& [user, racer] : racers) {
        for (const std::string& line : racer->readAllLines()) {
            const auto space = line.find(' ');
            const std::string verdict = line.substr(0, space);
            const std::string name = line.substr(space + 1, line.find(' ', space + 1) - space - 1);
            if (verdict == "ok") {
                EXPECT_FALSE(owner.contains(name)) << name << " checked out twice";
                owner[name] = user;
            } else {
                // The only acceptable failure: the rival has it, and the message says so.
                EXPECT_EQ(verdict, "refused") << user << ": " << line;
                EXPECT_NE(line.find(other.at(user)), std::string::npos) << user << ": " << line;
            }
        }
        EXPECT_EQ(racer->wait(), 0) << user;
    }
    ASSERT_EQ(owner.size(), static_cast<std::size_t>(kCount));

    const auto status = lines(env.ss({"status", "$/Race"}).out);
    ASSERT_EQ(status.size(), static_cast<std::size_t>(kCount));
    for (const std::string& line : status) {
        const std::string name = line.substr(std::string("$/Race/").size(), 8);
        const std::string user = line.substr(line.find("  ") + 2, owner[name].size());
        EXPECT_EQ(user, owner[name]) << line;
    }
    // A refused check-out leaves the rival's working folder alone.
    for (const auto& [name, user] : owner) {
        EXPECT_TRUE(fs::exists(env.root() / user / name)) << name;
        EXPECT_FALSE(fs::exists(env.root() / other.at(user) / name)) << name;
    }
}

TEST_F(SsTest, AProcessKilledAmidCheckInsLeavesEveryFileWholeAtItsOldOrNewVersion) {
    constexpr int kCount = 60;
    constexpr std::size_t kSize = 192 * 1024;
    const fs::path db = databaseWithKnownFiles(env, "$/Series", kCount, kSize, work());

    ChildProcess series({SS_TEST_HELPER, "checkin-series", db.string(),
                         TestEnvironment::currentUser(), "$/Series", std::to_string(kCount),
                         std::to_string(kSize)});
    // Kill it a random moment after a random check-in in the first half, so the blow lands
    // anywhere in a check-out, a local write or a check-in, with many files still to come.
    int lastDone = -1;
    ASSERT_NO_FATAL_FAILURE(killAmidSeries(series, kCount, 4, kCount / 2 - 4,
                                           std::chrono::microseconds(30000), "series", lastDone));

    const auto verified = ssTry({"verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    for (int i = 0; i < kCount; ++i) {
        const std::string name = fileName(i);
        const std::string v1 = knownContent(i, 1, kSize);
        const std::string v2 = knownContent(i, 2, kSize);
        const std::string stored = env.ss({"cat", "$/Series/" + name}).out;
        if (i <= lastDone)
            EXPECT_TRUE(stored == v2) << name << " lost its check-in";
        else if (i > lastDone + 1)
            EXPECT_TRUE(stored == v1) << name << " changed without a check-in";
        else
            EXPECT_TRUE(stored == v1 || stored == v2) << name << " is torn in the store";
        const fs::path local = work() / name;
        if (i <= lastDone) {
            ASSERT_TRUE(fs::exists(local)) << name;
        }
        if (fs::exists(local)) {
            const std::string text = TestEnvironment::read(local);
            EXPECT_TRUE(text == v1 || text == v2) << name << " is torn locally";
        }
    }
    // Nothing stays locked: the next user of the database goes on as usual.
    const std::string last = "$/Series/" + fileName(kCount - 1);
    env.ss({"checkout", last});
    env.write(work() / fileName(kCount - 1), "after\n");
    env.ss({"checkin", last});
    EXPECT_EQ(env.ss({"cat", last}).out, "after\n");
}

TEST_F(SsTest, AProcessKilledAmidAGetLeavesEveryLocalFileWholeAndTheNextGetRepairsThem) {
    constexpr int kCount = 500;
    constexpr std::size_t kSize = 16 * 1024;
    const fs::path db = databaseWithKnownFiles(env, "$/Get", kCount, kSize, work());
    env.ss({"get", "$/Get"});
    // Some copies are missing before the run, the rest hold version 1; the store has version 2.
    std::vector<bool> presentBefore(kCount, true);
    for (int i = 0; i < kCount; i += 7) {
        fs::remove(work() / fileName(i));
        presentBefore[static_cast<std::size_t>(i)] = false;
    }
    ChildProcess versions({SS_TEST_HELPER, "new-versions", db.string(),
                           TestEnvironment::currentUser(), "$/Get", std::to_string(kCount),
                           std::to_string(kSize), (env.root() / "elsewhere").string()});
    ASSERT_EQ(versions.wait(), 0);

    ChildProcess series({SS_TEST_HELPER, "get-series", db.string(), TestEnvironment::currentUser(),
                         "$/Get", std::to_string(kCount)});
    int lastDone = -1;
    ASSERT_NO_FATAL_FAILURE(killAmidSeries(series, kCount, 20, kCount / 2,
                                           std::chrono::microseconds(2000), "get", lastDone));

    for (int i = 0; i < kCount; ++i) {
        const std::string name = fileName(i);
        const fs::path local = work() / name;
        if (i <= lastDone) {
            ASSERT_TRUE(fs::exists(local)) << name;
        }
        if (!fs::exists(local)) {
            EXPECT_FALSE(presentBefore[static_cast<std::size_t>(i)]) << name << " vanished";
            continue;
        }
        const std::string text = TestEnvironment::read(local);
        if (i <= lastDone)
            EXPECT_TRUE(text == knownContent(i, 2, kSize)) << name << " was not fetched";
        else
            EXPECT_TRUE(text == knownContent(i, 1, kSize) || text == knownContent(i, 2, kSize))
                << name << " is torn";
    }
    const auto verified = ssTry({"verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;

    env.ss({"get", "$/Get"});
    for (int i = 0; i < kCount; ++i) {
        const fs::path local = work() / fileName(i);
        ASSERT_TRUE(fs::exists(local)) << local;
        EXPECT_TRUE(TestEnvironment::read(local) == knownContent(i, 2, kSize)) << local;
        EXPECT_TRUE(isReadOnly(local)) << local;
    }
}

// Flushes between the helper's marks in a flush log: one count per check-out, then the count
// between the last check-out and the end of the run (those before the run are not counted).
std::vector<int> flushesBetweenMarks(const fs::path& log) {
    std::ifstream in(log);
    std::vector<int> counts;
    bool begun = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "flush") {
            if (begun)
                ++counts.back();
        } else if (line == "begin" || line.starts_with("done ")) {
            begun = true;
            counts.push_back(0);
        } else if (line == "ended") {
            break;
        }
    }
    return counts;
}

TEST_F(SsTest, ARunOfCheckOutsFlushesTheDiskAtItsEndAndSingleCallsEachTime) {
    constexpr int kCount = 12;
    const fs::path db = env.createDatabase("Main");
    struct Case {
        const char* mode;
        bool eachCheckOutFlushes;
        bool endFlushes;
    };
    for (const Case& c : {Case{"calls", true, false}, Case{"run", false, true}}) {
        SCOPED_TRACE(c.mode);
        const std::string project = std::string("$/") + c.mode;
        addKnownFiles(env, project, kCount, 100);
        const fs::path folder = env.root() / c.mode;
        fs::create_directories(folder);
        env.ss({"workfold", project, folder.string()});
        const fs::path log = env.root() / (std::string(c.mode) + ".flushes");
        const auto result =
            testenv::run({SS_TEST_HELPER, "checkout-run", db.string(),
                          TestEnvironment::currentUser(), project, std::to_string(kCount), c.mode},
                         {},
                         {{"LD_PRELOAD", FAULT_SHIM},
                          {"QM_FLUSH_LOG", log.string()},
                          {"ASAN_OPTIONS", "verify_asan_link_order=0"}});
        ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
        const std::vector<int> flushes = flushesBetweenMarks(log);
        ASSERT_EQ(flushes.size(), static_cast<std::size_t>(kCount + 1));
        // The first write after the log was started over flushes the log's new header.
        for (int i = 1; i < kCount; ++i)
            EXPECT_EQ(flushes[static_cast<std::size_t>(i)] > 0, c.eachCheckOutFlushes)
                << "check-out " << i << " made " << flushes[static_cast<std::size_t>(i)];
        EXPECT_EQ(flushes.back() > 0, c.endFlushes) << "the end made " << flushes.back();
        EXPECT_EQ(lines(env.ss({"status", project}).out).size(), static_cast<std::size_t>(kCount));
    }
}

TEST_F(SsTest, AProcessKilledAmidACheckOutRunLosesNoCheckOutItMade) {
    constexpr int kCount = 300;
    constexpr std::size_t kSize = 2048;
    const fs::path db = databaseWithKnownFiles(env, "$/Run", kCount, kSize, work());
    env.ss({"get", "$/Run"});
    // Some check-outs write their local copy, the rest only make it writable.
    for (int i = 0; i < kCount; i += 5)
        fs::remove(work() / fileName(i));

    ChildProcess series({SS_TEST_HELPER, "checkout-run", db.string(),
                         TestEnvironment::currentUser(), "$/Run", std::to_string(kCount), "run"});
    int lastDone = -1;
    ASSERT_NO_FATAL_FAILURE(killAmidSeries(series, kCount, 10, kCount / 2,
                                           std::chrono::microseconds(2000), "run", lastDone));

    const auto verified = ssTry({"verify"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    std::set<std::string> checkedOut;
    for (const std::string& line : lines(env.ss({"status", "$/Run"}).out))
        checkedOut.insert(line.substr(std::string("$/Run/").size(), 8));
    for (int i = 0; i < kCount; ++i) {
        const std::string name = fileName(i);
        if (i <= lastDone) {
            EXPECT_TRUE(checkedOut.contains(name)) << name << " lost its check-out";
        } else if (i > lastDone + 1) {
            EXPECT_FALSE(checkedOut.contains(name)) << name << " checked out by no call";
        }
        const fs::path local = work() / name;
        if (i <= lastDone) {
            ASSERT_TRUE(fs::exists(local)) << name;
        }
        if (fs::exists(local)) {
            EXPECT_TRUE(TestEnvironment::read(local) == knownContent(i, 1, kSize))
                << name << " is torn";
        }
    }
    // Nothing stays locked: the next call checks in as usual.
    const std::string first = "$/Run/" + fileName(0);
    env.write(work() / fileName(0), "after\n");
    env.ss({"checkin", first});
    EXPECT_EQ(env.ss({"cat", first}).out, "after\n");
}

} // namespace
} // namespace sstest

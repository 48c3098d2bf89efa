// Looks at local files taken ahead of a run's gets: given out in the gets' order, and never once
// this session has changed the file after the look.
#include "StatAhead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using vss::server::LocalFile;
using vss::server::StatAhead;

class StatAheadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "statahead-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string file(const std::string& name, const std::string& content) const {
        const fs::path path = dir_ / name;
        std::ofstream(path) << content;
        return path.string();
    }
    // Waits for the thread; only a hang guard, far above what it takes.
    static void awaitLooks(StatAhead& ahead, std::size_t count) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ahead.done() < count && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        ASSERT_EQ(ahead.done(), count);
    }

    fs::path dir_;
};

TEST_F(StatAheadTest, LooksAreGivenOutInTheOrderOfTheGets) {
    const std::string a = file("a.txt", "a"), c = file("c.txt", "ccc");
    const std::string b = (dir_ / "b.txt").string(); // missing
    StatAhead ahead;
    ahead.announce({a, b, c});
    ASSERT_NO_FATAL_FAILURE(awaitLooks(ahead, 3));
    EXPECT_FALSE(ahead.take((dir_ / "not announced").string()));
    const auto first = ahead.take(a);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->kind, LocalFile::Kind::Plain);
    EXPECT_EQ(first->size, 1);
    const auto third = ahead.take(c); // b is given up
    ASSERT_TRUE(third);
    EXPECT_EQ(third->size, 3);
    EXPECT_EQ(third->inode, LocalFile::status(c).inode);
    EXPECT_FALSE(ahead.take(b));
    EXPECT_FALSE(ahead.take(a)) << "a look is given out once";
}

TEST_F(StatAheadTest, ALookTakenBeforeAChangeOfThisSessionIsWithheld) {
    const std::string before = file("before.txt", "1"), after = file("after.txt", "2");
    StatAhead ahead;
    ahead.changed(before); // complete before the look: the look sees it
    ahead.announce({before, after});
    ASSERT_NO_FATAL_FAILURE(awaitLooks(ahead, 2));
    file("after.txt", "changed since the look");
    ahead.changed(after);
    EXPECT_TRUE(ahead.take(before));
    EXPECT_FALSE(ahead.take(after));
}

} // namespace

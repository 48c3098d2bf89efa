// Atomic local writes, what they refuse to replace, and the status a written file reports; looks
// at local files taken ahead of a run's gets.
#include "LocalFile.h"

#include "Errors.h"
#include "StatAhead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using vss::server::LocalFile;
using vss::server::StatAhead;
using vss::server::VssError;

class LocalFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "localfile-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    static LocalFile::Producer text(std::string content) {
        return [content](const LocalFile::Sink& sink) { sink(content.data(), content.size()); };
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& e : fs::directory_iterator(dir_))
            result.push_back(e.path().filename().string());
        std::sort(result.begin(), result.end());
        return result;
    }

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

TEST_F(LocalFileTest, WritesReadOnlyWithTimeAndLeavesNoTemporaryFile) {
    const fs::path file = dir_ / "sub" / "a.txt";
    LocalFile::writeAtomically(file, text("one"), {.readOnly = true, .modificationTime = 12345});
    EXPECT_EQ(read(file), "one");
    EXPECT_FALSE(LocalFile::isWritable(file));
    EXPECT_EQ(LocalFile::modificationTime(file), 12345);
    LocalFile::writeAtomically(file, text("two"), {.readOnly = false, .modificationTime = {}});
    EXPECT_EQ(read(file), "two");
    EXPECT_TRUE(LocalFile::isWritable(file));
    EXPECT_EQ(names(), std::vector<std::string>{"sub"});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "sub"), fs::directory_iterator()), 1);
}

TEST_F(LocalFileTest, FailedProducerLeavesTheOldFileOrNone) {
    const fs::path file = dir_ / "a.txt";
    auto failing = [](const LocalFile::Sink& sink) {
        sink("new", 3);
        throw VssError("stored content is damaged");
    };
    EXPECT_THROW(LocalFile::writeAtomically(file, failing, {}), VssError);
    EXPECT_TRUE(names().empty());
    LocalFile::writeAtomically(file, text("old"), {.readOnly = false, .modificationTime = {}});
    for (const bool rebuildable : {false, true}) {
        EXPECT_THROW(LocalFile::writeAtomically(file, failing,
                                                {.readOnly = true,
                                                 .modificationTime = {},
                                                 .durable = false,
                                                 .rebuildable = rebuildable}),
                     VssError);
        EXPECT_EQ(read(file), "old");
        EXPECT_EQ(names(), std::vector<std::string>{"a.txt"});
    }
}

// However the new content takes the name, the file is whole, its status is the one reported,
// an old file is replaced rather than rewritten (a link to it keeps the old content), its
// permission bits other than write stay, and no temporary is left.
TEST_F(LocalFileTest, EveryWayOfWritingReplacesWholeAndLeavesNothingElse) {
    enum Way { Rename, Swap, Flush };
    struct Case {
        const char* name;
        int oldMode; // 0: no old file
        bool readOnly;
        Way way;
        int newMode;
    };
    const Case cases[] = {
        {"new file", 0, true, Rename, 0444},         {"new writable file", 0, false, Rename, 0644},
        {"renamed over", 0440, true, Rename, 0440},  {"swapped in", 0640, true, Swap, 0440},
        {"flushed first", 0600, false, Flush, 0600}, {"made writable", 0444, false, Rename, 0644},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = dir_ / std::to_string(++round);
        fs::create_directory(folder);
        const fs::path file = folder / "a.txt";
        if (c.oldMode) {
            std::ofstream(file) << "old";
            fs::permissions(file, static_cast<fs::perms>(c.oldMode));
            fs::create_hard_link(file, folder / "keep");
        }
        LocalFile::WriteOptions options;
        options.readOnly = c.readOnly;
        options.durable = c.way == Flush;
        options.rebuildable = c.way == Swap;
        const LocalFile::Status written = LocalFile::writeAtomically(file, text("new"), options);
        EXPECT_EQ(read(file), "new");
        const LocalFile::Status found = LocalFile::status(file);
        EXPECT_EQ(found.inode, written.inode);
        EXPECT_EQ(found.size, 3);
        EXPECT_EQ(found.permissions, static_cast<std::uint32_t>(c.newMode));
        EXPECT_EQ(written.permissions, found.permissions);
        std::vector<std::string> expected{"a.txt"};
        if (c.oldMode) {
            EXPECT_EQ(read(folder / "keep"), "old");
            expected.push_back("keep");
        }
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(folder))
            left.push_back(e.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, expected);
    }
}

TEST_F(LocalFileTest, AWriteForAMissingFileLeavesAFileThatCameMeanwhile) {
    // The caller's look found no file; one came since, which nobody has looked at.
    const LocalFile::Status missing;
    const fs::path file = dir_ / "a.txt";
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "written ahead" : "written at once");
        std::ofstream(file) << "came";
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        LocalFile::WriteOptions options;
        options.known = &missing;
        if (ahead) {
            auto copy = LocalFile::writeAhead(file.string(), text("new"), options);
            ASSERT_TRUE(copy);
            EXPECT_THROW(LocalFile::placeAhead(*copy, file, options, missing, {}),
                         LocalFile::Appeared);
        } else {
            EXPECT_THROW(LocalFile::writeAtomically(file, text("new"), options),
                         LocalFile::Appeared);
        }
        EXPECT_EQ(read(file), "came");
        EXPECT_TRUE(LocalFile::isWritable(file));
        EXPECT_EQ(names(), std::vector<std::string>{"a.txt"});
        fs::remove(file);
    }
}

TEST_F(LocalFileTest, RefusesLinksAndFolders) {
    fs::create_directory(dir_ / "folder");
    fs::create_symlink(dir_ / "elsewhere", dir_ / "link");
    EXPECT_THROW(LocalFile::writeAtomically(dir_ / "folder", text("x"), {}), VssError);
    EXPECT_THROW(LocalFile::writeAtomically(dir_ / "link", text("x"), {}), VssError);
    EXPECT_FALSE(fs::exists(dir_ / "elsewhere"));
    EXPECT_THROW(LocalFile::Reader(dir_ / "link"), VssError);
    EXPECT_THROW(LocalFile::Reader(dir_ / "folder"), VssError);
    EXPECT_THROW(LocalFile::Reader(dir_ / "missing"), VssError);
    // A working folder that cannot be made because a file has its name.
    std::ofstream(dir_ / "plain") << "p";
    EXPECT_THROW(LocalFile::writeAtomically(dir_ / "plain" / "x.txt", text("x"), {}), VssError);
}

TEST_F(LocalFileTest, AWrittenFileIsSettledAtOnceAndItsStatusMatchesALaterLook) {
    const fs::path file = dir_ / "a.txt";
    for (const std::optional<std::int64_t> time :
         {std::optional<std::int64_t>{}, std::optional<std::int64_t>{12345}}) {
        const LocalFile::Status written = LocalFile::writeAtomically(
            file, text("content"), {.readOnly = true, .modificationTime = time, .durable = false});
        const LocalFile::Status found = LocalFile::status(file);
        EXPECT_TRUE(written.settled);
        EXPECT_EQ(written.kind, LocalFile::Kind::Plain);
        EXPECT_EQ(written.size, 7);
        EXPECT_EQ(written.modificationTime, found.modificationTime);
        EXPECT_EQ(written.inode, found.inode);
        EXPECT_FALSE(found.writable);
        if (time) {
            EXPECT_EQ(found.modificationTime, *time * 1000000000);
            EXPECT_TRUE(found.settled);
        }
    }
}

TEST_F(LocalFileTest, AFileChangedJustNowIsNotSettledAndAnEditChangesItsTime) {
    const fs::path file = dir_ / "a.txt";
    const LocalFile::Status written = LocalFile::writeAtomically(
        file, text("content"), {.readOnly = false, .modificationTime = {}, .durable = false});
    std::ofstream(file, std::ios::app) << "!";
    const LocalFile::Status edited = LocalFile::status(file);
    EXPECT_FALSE(edited.settled);
    EXPECT_NE(edited.modificationTime, written.modificationTime);
    EXPECT_EQ(edited.inode, written.inode);
    EXPECT_EQ(LocalFile::status(dir_ / "missing").kind, LocalFile::Kind::Missing);
}

TEST_F(LocalFileTest, NormalizeAcceptsBothSeparators) {
    EXPECT_EQ(LocalFile::normalize("/a\\b//c/"), fs::path("/a/b/c"));
    EXPECT_EQ(LocalFile::normalize("/"), fs::path("/"));
    EXPECT_TRUE(LocalFile::normalize("rel/x").is_absolute());
    EXPECT_TRUE(LocalFile::normalize("").empty());
    // Names that only look like "." or ".." stay; the components themselves go.
    for (const char* path : {"/a/.hidden", "/a/..b", "/a/b..", "/a/./b", "/a/../b", "/a/b/.",
                             "/a/b/..", "/a//b", "/.", "/..", "/a/.b/./c"})
        EXPECT_EQ(LocalFile::normalize(path), fs::path(path).lexically_normal()) << path;
}

TEST_F(LocalFileTest, NamesListAFolderUpToALimit) {
    for (const char* name : {"a", "b"})
        LocalFile::writeAtomically(dir_ / name, text(name), {});
    fs::create_directory(dir_ / "sub");
    const auto listed = LocalFile::names(dir_, 10);
    ASSERT_TRUE(listed);
    for (const char* name : {"a", "b", "sub"})
        EXPECT_TRUE(listed->contains(name)) << name;
    EXPECT_FALSE(listed->contains("c"));
    // Too many entries, or a file in place of the folder: nothing is known.
    EXPECT_FALSE(LocalFile::names(dir_, 3));
    EXPECT_FALSE(LocalFile::names(dir_ / "a", 10));
    // A missing folder has no names.
    const auto none = LocalFile::names(dir_ / "missing", 10);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST_F(LocalFileTest, APlaceIsAFolderAndAName) {
    const struct {
        const char* path;
        const char* folder; // null: no place
        const char* name;
    } cases[] = {{"/a/b/c.txt", "/a/b", "c.txt"},
                 {"/c.txt", "/", "c.txt"},
                 {"c.txt", nullptr, nullptr},
                 {"/a/b/", nullptr, nullptr}};
    for (const auto& c : cases) {
        const auto place = LocalFile::place(c.path);
        ASSERT_EQ(place.has_value(), c.folder != nullptr) << c.path;
        if (place) {
            EXPECT_EQ(place->folder, c.folder) << c.path;
            EXPECT_EQ(place->name, c.name) << c.path;
        }
    }
}

TEST_F(LocalFileTest, LooksAheadAreGivenOutInTheOrderOfTheGets) {
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

TEST_F(LocalFileTest, ALookAheadTakenBeforeAChangeOfThisSessionIsWithheld) {
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

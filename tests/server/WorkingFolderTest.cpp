// What a working folder may hold that a get must not trip over: temporaries left by a killed
// process, names near the file-name limit, links and folders in a file's place, and database
// files that are not plain files.
#include "ServerFixture.h"

#include "LocalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace servertest {
namespace {

using vss::server::LocalFile;

class WorkingFolderTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        db_ = open();
        demo_ = project(db_.get(), "Demo");
    }

    com::HRESULT getAll(const std::string& spec, std::int32_t flags = vss::FlagRecursiveYes) {
        std::u16string local;
        return item(db_.get(), spec)->Get(&local, flags);
    }

    // A file as a killed writer leaves it, dated `age` seconds back.
    static fs::path leftover(const fs::path& file, int age) {
        write(file, "partial");
        const timespec then{::time(nullptr) - age, 0};
        const timespec times[2] = {then, then};
        ::utimensat(AT_FDCWD, file.c_str(), times, 0);
        return file;
    }

    ComPtr<vss::IVSSDatabase> db_;
    ComPtr<vss::IVSSItem> demo_;
};

TEST_F(WorkingFolderTest, StaleTemporariesAreRemovedByTheNextWriteOrGet) {
    const fs::path folder = work() / "Demo";
    add(demo_.get(), write(folder / "a.txt", "a\n"));
    add(demo_.get(), write(folder / "b.txt", "b\n"));
    const fs::path staleA = leftover(folder / ".a.txt.vss-0123456789ab", 120);
    const fs::path freshA = leftover(folder / ".a.txt.vss-00000000000f", 0);
    const fs::path staleB = leftover(folder / ".b.txt.vss-0123456789ab", 120);
    const fs::path notOurs = leftover(folder / ".a.txt.vss-keep", 120);

    // The next write of a.txt takes only a.txt's stale temporary.
    auto a = item(db_.get(), "$/Demo/a.txt");
    ASSERT_EQ(a->Checkout(u"", u"", 0), com::S_OK) << lastError();
    EXPECT_FALSE(fs::exists(staleA));
    EXPECT_TRUE(fs::exists(freshA));
    EXPECT_TRUE(fs::exists(staleB));
    // A project get cleans every stale temporary of the folders it visits.
    EXPECT_EQ(getAll("$/Demo"), com::S_OK) << lastError();
    EXPECT_FALSE(fs::exists(staleB));
    EXPECT_TRUE(fs::exists(freshA));
    EXPECT_TRUE(fs::exists(notOurs));
}

// One listing of a folder serves the writes into it for a second; a temporary left after the
// listing goes with the first write after that second.
TEST_F(WorkingFolderTest, ATemporaryLeftAfterAFolderWasListedGoesWithALaterWrite) {
    const fs::path folder = work() / "Demo";
    add(demo_.get(), write(folder / "a.txt", "a\n"));
    auto a = item(db_.get(), "$/Demo/a.txt");
    ASSERT_EQ(a->Checkout(u"", u"", 0), com::S_OK) << lastError();
    ASSERT_EQ(a->UndoCheckout(u"", 0), com::S_OK) << lastError();
    const fs::path stale = leftover(folder / ".a.txt.vss-0123456789ab", 120);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_EQ(a->Checkout(u"", u"", 0), com::S_OK) << lastError();
    EXPECT_FALSE(fs::exists(stale));
}

// The local path follows a change of the working folder at once, whoever made it: this
// database object, inside a run of calls or not, or another one (seen in a run as soon as the
// run reads the store anew).
TEST_F(WorkingFolderTest, ALocalPathFollowsAChangedWorkingFolder) {
    add(demo_.get(), write(work() / "Demo" / "a.txt", "a\n"));
    auto other = open();
    ComPtr<vss::IVSSRun> run;
    ASSERT_EQ(db_.queryInto(run), com::S_OK);
    struct Case {
        const char* name;
        bool inRun;
        bool byOther;
    };
    int round = 0;
    for (const Case& c :
         {Case{"here", false, false}, Case{"here, in a run", true, false},
          Case{"elsewhere", false, true}, Case{"elsewhere, in a run", true, true}}) {
        SCOPED_TRACE(c.name);
        auto a = item(db_.get(), "$/Demo/a.txt");
        const fs::path before = localSpec(a.get());
        if (c.inRun) {
            ASSERT_EQ(run->BeginRun(), com::S_OK);
        }
        EXPECT_EQ(localSpec(a.get()), before);
        const fs::path moved = root() / ("moved" + std::to_string(++round));
        vss::IVSSDatabase* changer = c.byOther ? other.get() : db_.get();
        ASSERT_EQ(item(changer, "$/Demo")->put_LocalSpec(wide(moved.string())), com::S_OK)
            << lastError();
        if (c.inRun && c.byOther)
            checkedOut(a.get());
        EXPECT_EQ(localSpec(a.get()), (moved / "a.txt").string());
        if (c.inRun) {
            ASSERT_EQ(run->EndRun(), com::S_OK) << lastError();
        }
    }
}

// A run's gets read one state of the store: another user's change shows once the run writes
// (the write itself sees it) or ends.
TEST_F(WorkingFolderTest, ARunReadsOneStateUntilItWritesOrEnds) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        add(demo_.get(), write(work() / "Demo" / name, "text\n"));
    auto other = open();
    ComPtr<vss::IVSSRun> run;
    ASSERT_EQ(db_.queryInto(run), com::S_OK);
    auto a = item(db_.get(), "$/Demo/a.txt");
    auto b = item(db_.get(), "$/Demo/b.txt");
    ASSERT_EQ(run->BeginRun(), com::S_OK);
    ASSERT_EQ(getAll("$/Demo/c.txt", 0), com::S_OK) << lastError();
    ASSERT_EQ(item(other.get(), "$/Demo/a.txt")->Checkout(u"", u"", 0), com::S_OK) << lastError();
    EXPECT_EQ(checkedOut(a.get()), vss::kNotCheckedOut);
    ASSERT_EQ(b->Checkout(u"", u"", 0), com::S_OK) << lastError();
    EXPECT_NE(checkedOut(a.get()), vss::kNotCheckedOut);
    ASSERT_EQ(getAll("$/Demo/c.txt", 0), com::S_OK) << lastError();
    ASSERT_EQ(item(other.get(), "$/Demo/a.txt")->UndoCheckout(u"", 0), com::S_OK) << lastError();
    EXPECT_NE(checkedOut(a.get()), vss::kNotCheckedOut);
    ASSERT_EQ(run->EndRun(), com::S_OK) << lastError();
    EXPECT_EQ(checkedOut(a.get()), vss::kNotCheckedOut);
}

TEST_F(WorkingFolderTest, ARunEndsOnlyWhereOneBegan) {
    ComPtr<vss::IVSSRun> run;
    ASSERT_EQ(db_.queryInto(run), com::S_OK);
    EXPECT_FALSE(com::succeeded(run->EndRun()));
    EXPECT_NE(lastError().find("No run"), std::string::npos);
    ASSERT_EQ(run->BeginRun(), com::S_OK);
    ASSERT_EQ(run->BeginRun(), com::S_OK);
    EXPECT_EQ(run->EndRun(), com::S_OK);
    EXPECT_EQ(run->EndRun(), com::S_OK);
    EXPECT_FALSE(com::succeeded(run->EndRun()));
    EXPECT_NE(lastError().find("No run"), std::string::npos);
}

TEST_F(WorkingFolderTest, NamesUpToTheLimitAreFetched) {
    for (const std::size_t length : {237u, 238u, 250u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".txt";
        const fs::path file = write(work() / "Demo" / name, "long\n");
        add(demo_.get(), file);
        fs::remove(file);
        std::u16string local;
        EXPECT_EQ(item(db_.get(), "$/Demo/" + name)->Get(&local, 0), com::S_OK)
            << length << ": " << lastError();
        EXPECT_EQ(read(file), "long\n") << length;
    }
    // A multi-byte character is never cut in half in the temporary's name.
    const std::string cut = std::string(236, 'w') + "\xc3\xa9" + std::string(14, 'y');
    ASSERT_EQ(cut.size(), 252u);
    LocalFile::writeAtomically(work() / cut, [](const LocalFile::Sink& sink) { sink("w", 1); }, {});
    EXPECT_EQ(read(work() / cut), "w");
}

TEST_F(WorkingFolderTest, ALinkInPlaceOfASubprojectFolderIsRefused) {
    ComPtr<vss::IVSSItem> sub;
    ASSERT_EQ(demo_->NewSubproject(u"Sub", u"", sub.put()), com::S_OK);
    add(sub.get(), write(root() / "src" / "inner.txt", "inner\n"));
    const fs::path outside = root() / "outside";
    fs::create_directories(outside);
    fs::create_symlink(outside, work() / "Demo" / "Sub");

    EXPECT_NE(getAll("$/Demo"), com::S_OK);
    const std::string error = lastError();
    EXPECT_NE(error.find((work() / "Demo" / "Sub").string()), std::string::npos) << error;
    EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(WorkingFolderTest, AFolderInAFilesPlaceIsNotWrittenInto) {
    add(demo_.get(), write(root() / "src" / "a.txt", "a\n"));
    fs::create_directories(work() / "Demo" / "a.txt");
    auto a = item(db_.get(), "$/Demo/a.txt");
    std::u16string local;
    ASSERT_EQ(a->get_LocalSpec(&local), com::S_OK);
    EXPECT_NE(a->Get(&local, 0), com::S_OK);
    EXPECT_NE(lastError().find("folder"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(work() / "Demo" / "a.txt"));
    EXPECT_NE(getAll("$/Demo"), com::S_OK);
    EXPECT_TRUE(fs::is_empty(work() / "Demo" / "a.txt"));
    // A folder handed in on purpose still means "the file's name in it".
    local = wide((root() / "elsewhere").string());
    fs::create_directories(root() / "elsewhere");
    EXPECT_EQ(a->Get(&local, 0), com::S_OK) << lastError();
    EXPECT_EQ(read(root() / "elsewhere" / "a.txt"), "a\n");
}

TEST_F(WorkingFolderTest, ANameHoldingABackslashIsRefusedAsAName) {
    const fs::path odd = write(root() / "src" / "a\\b.txt", "odd\n");
    ComPtr<vss::IVSSItem> added;
    EXPECT_NE(demo_->Add(wide(odd.string()), u"", 0, added.put()), com::S_OK);
    const std::string error = lastError();
    EXPECT_NE(error.find("a\\b.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("cannot hold \"\\\""), std::string::npos) << error;
}

TEST_F(WorkingFolderTest, AnIniFileThatIsNotAPlainFileIsRefusedAtOnce) {
    const fs::path fifo = root() / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path zero = root() / "zero.ini";
    fs::create_symlink("/dev/zero", zero);
    const fs::path huge = root() / "huge.ini";
    write(huge, std::string(100000, ';'));
    for (const fs::path& ini : {fifo, zero, huge}) {
        const auto started = std::chrono::steady_clock::now();
        auto db = newDatabase();
        EXPECT_NE(db->Open(wide(ini.string()), u"Admin", u""), com::S_OK) << ini;
        EXPECT_NE(lastError().find(ini.string()), std::string::npos) << ini;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << ini;
    }
}

} // namespace
} // namespace servertest

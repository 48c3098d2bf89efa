// Check out, check in, undo check out and get, with every flag group and its default, and
// two users in one process.
#include "ServerFixture.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace servertest {
namespace {

class FileOperationsTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        vss::admin::addUser(dbFolder(), "Bob");
        db_ = open();
        demo_ = project(db_.get(), "Demo");
        mainPath_ = write(work() / "Demo" / "Main.pas", "line 1\nline 2\nline 3\n");
        main_ = add(demo_.get(), mainPath_);
    }

    // Checks in new content for Main.pas as Admin.
    void commit(const std::string& content) {
        ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK) << lastError();
        write(mainPath_, content);
        ASSERT_EQ(main_->Checkin(u"", u"", 0), com::S_OK) << lastError();
    }
    com::HRESULT get(vss::IVSSItem* item, std::string& local, std::int32_t flags) {
        std::u16string path = wide(local);
        const com::HRESULT hr = item->Get(&path, flags);
        local = text(path);
        return hr;
    }
    static std::int64_t mtime(const fs::path& file) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return st.st_mtim.tv_sec;
    }
    static ino_t inode(const fs::path& file) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return st.st_ino;
    }

    ComPtr<vss::IVSSDatabase> db_;
    ComPtr<vss::IVSSItem> demo_;
    fs::path mainPath_;
    ComPtr<vss::IVSSItem> main_;
};

TEST_F(FileOperationsTest, CheckoutIsExclusiveAndNamesTheOwner) {
    auto bob = open("Bob");
    auto bobsMain = item(bob.get(), "$/Demo/Main.pas");
    EXPECT_EQ(checkedOut(main_.get()), vss::kNotCheckedOut);

    ASSERT_EQ(main_->Checkout(u"mine", u"", 0), com::S_OK) << lastError();
    EXPECT_TRUE(writable(mainPath_));
    EXPECT_EQ(checkedOut(main_.get()), vss::kCheckedOutMe);
    EXPECT_EQ(checkedOut(bobsMain.get()), vss::kCheckedOutOther);

    const fs::path bobsCopy = root() / "bob" / "Main.pas";
    EXPECT_NE(bobsMain->Checkout(u"", wide(bobsCopy.string()), 0), com::S_OK);
    EXPECT_NE(lastError().find("Admin"), std::string::npos);
    EXPECT_FALSE(fs::exists(bobsCopy));
    EXPECT_NE(bobsMain->Checkin(u"", wide(bobsCopy.string()), 0), com::S_OK);
    EXPECT_NE(lastError().find("Admin"), std::string::npos);
    EXPECT_NE(bobsMain->UndoCheckout(u"", 0), com::S_OK);
    EXPECT_NE(main_->Checkout(u"", u"", 0), com::S_OK); // already mine

    const auto list = vss::admin::checkouts(dbFolder());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].spec, "$/Demo/Main.pas");
    EXPECT_EQ(list[0].user, "Admin");
    EXPECT_EQ(list[0].localPath, mainPath_.string());
    EXPECT_EQ(list[0].version, 1);

    ASSERT_EQ(main_->UndoCheckout(u"", 0), com::S_OK) << lastError();
    ASSERT_EQ(bobsMain->Checkout(u"", wide(bobsCopy.string()), 0), com::S_OK) << lastError();
    EXPECT_EQ(read(bobsCopy), "line 1\nline 2\nline 3\n");
    EXPECT_TRUE(writable(bobsCopy));
}

TEST_F(FileOperationsTest, CheckoutWithoutLocalCopy) {
    fs::remove(mainPath_);
    ASSERT_EQ(main_->Checkout(u"", u"", vss::FlagDontGetLocal), com::S_OK) << lastError();
    EXPECT_FALSE(fs::exists(mainPath_));
    ASSERT_EQ(main_->UndoCheckout(u"", vss::FlagLeaveLocal), com::S_OK);
    ASSERT_EQ(main_->Checkout(u"", u"", vss::FlagGetLocal), com::S_OK) << lastError();
    EXPECT_TRUE(fs::exists(mainPath_));
}

TEST_F(FileOperationsTest, CheckinMakesVersionAndReadOnlyCopy) {
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "changed\n");
    ASSERT_EQ(main_->Checkin(u"fixed it", u"", 0), com::S_OK) << lastError();
    EXPECT_EQ(versionNumber(main_.get()), 2);
    EXPECT_EQ(checkedOut(main_.get()), vss::kNotCheckedOut);
    EXPECT_FALSE(writable(mainPath_));
    EXPECT_EQ(actions(main_.get()).front(), "Checked in $/Demo/Main.pas");
    EXPECT_NE(main_->Checkin(u"", u"", 0), com::S_OK);
    EXPECT_NE(lastError().find("not checked out"), std::string::npos);

    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "changed again\n");
    ASSERT_EQ(main_->Checkin(u"", u"", vss::FlagWritable), com::S_OK);
    EXPECT_TRUE(writable(mainPath_));
    std::ostringstream stored;
    vss::admin::writeVersion(dbFolder(), "$/Demo/Main.pas", 2, stored);
    EXPECT_EQ(stored.str(), "changed\n");
}

TEST_F(FileOperationsTest, UnchangedCheckinUndoesByDefaultOrChecksInOnRequest) {
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    ASSERT_EQ(main_->Checkin(u"", u"", 0), com::S_OK);
    EXPECT_EQ(versionNumber(main_.get()), 1);
    EXPECT_EQ(checkedOut(main_.get()), vss::kNotCheckedOut);

    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    ASSERT_EQ(main_->Checkin(u"", u"", vss::FlagUndoUnchanged), com::S_OK);
    EXPECT_EQ(versionNumber(main_.get()), 1);

    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    ASSERT_EQ(main_->Checkin(u"", u"", vss::FlagCheckInUnchanged), com::S_OK);
    EXPECT_EQ(versionNumber(main_.get()), 2);
}

TEST_F(FileOperationsTest, CompareModesJudgeUnchangedFiles) {
    // Same size and time, different bytes: only the time comparison misses the change.
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    const std::int64_t before = mtime(mainPath_);
    write(mainPath_, "LINE 1\nline 2\nline 3\n");
    const timespec times[2] = {{before, 0}, {before, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, mainPath_.c_str(), times, 0), 0);
    ASSERT_EQ(main_->Checkin(u"", u"", vss::FlagCompareTime), com::S_OK);
    EXPECT_EQ(versionNumber(main_.get()), 1);

    ASSERT_EQ(main_->Checkout(u"", u"", vss::FlagReplace), com::S_OK);
    write(mainPath_, "LINE 1\nline 2\nline 3\n");
    ASSERT_EQ(main_->Checkin(u"", u"", vss::FlagCompareContents), com::S_OK);
    EXPECT_EQ(versionNumber(main_.get()), 2);

    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "third\n");
    ASSERT_EQ(main_->Checkin(u"", u"", vss::FlagCompareChecksum), com::S_OK);
    EXPECT_EQ(versionNumber(main_.get()), 3);
}

TEST_F(FileOperationsTest, UndoCheckoutReplacesOrLeavesTheLocalCopy) {
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "scratch\n");
    ASSERT_EQ(main_->UndoCheckout(u"", 0), com::S_OK) << lastError();
    EXPECT_EQ(read(mainPath_), "line 1\nline 2\nline 3\n");
    EXPECT_FALSE(writable(mainPath_));

    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "scratch\n");
    ASSERT_EQ(main_->UndoCheckout(u"", vss::FlagReplaceLocal), com::S_OK);
    EXPECT_EQ(read(mainPath_), "line 1\nline 2\nline 3\n");

    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "keep me\n");
    ASSERT_EQ(main_->UndoCheckout(u"", vss::FlagLeaveLocal), com::S_OK);
    EXPECT_EQ(read(mainPath_), "keep me\n");
    EXPECT_EQ(checkedOut(main_.get()), vss::kNotCheckedOut);
    EXPECT_NE(main_->UndoCheckout(u"", 0), com::S_OK);
}

TEST_F(FileOperationsTest, GetWritesReadOnlyByDefaultAndHonoursTimeFlags) {
    const fs::path copy = root() / "copies" / "Main.pas";
    std::string local = copy.string();
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_EQ(local, copy.string());
    EXPECT_EQ(read(copy), "line 1\nline 2\nline 3\n");
    EXPECT_FALSE(writable(copy));

    fs::remove(copy);
    ASSERT_EQ(get(main_.get(), local, vss::FlagWritable), com::S_OK);
    EXPECT_TRUE(writable(copy));

    // Version 2 keeps the modification time its local file had at check-in.
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "newer\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, mainPath_.c_str(), old, 0), 0);
    ASSERT_EQ(main_->Checkin(u"", u"", 0), com::S_OK);

    fs::remove(copy);
    ASSERT_EQ(get(main_.get(), local, vss::FlagTimeModification), com::S_OK) << lastError();
    EXPECT_EQ(mtime(copy), 1000000000);
    fs::remove(copy);
    ASSERT_EQ(get(main_.get(), local, vss::FlagTimeCheckIn), com::S_OK);
    EXPECT_GT(mtime(copy), 1600000000);
    fs::remove(copy);
    ASSERT_EQ(get(main_.get(), local, vss::FlagTimeCurrent), com::S_OK);
    EXPECT_GT(mtime(copy), 1600000000);
}

// Size and modification time of the store's files but SQLite's shared-memory index, which
// readers update: equal snapshots mean nothing was written.
std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> storeFiles(const fs::path& folder) {
    std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        if (entry.path().string().ends_with("-shm") || ::stat(entry.path().c_str(), &st) != 0)
            continue;
        files[entry.path().string()] = {static_cast<std::uintmax_t>(st.st_size),
                                        st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
    }
    return files;
}

TEST_F(FileOperationsTest, AGetThatChangesNothingWritesNothingToTheDatabase) {
    const fs::path copy = root() / "copies" / "Main.pas";
    auto getWithNewSession = [&](std::int32_t flags) {
        auto db = open();
        auto file = item(db.get(), "$/Demo/Main.pas");
        std::string local = copy.string();
        return get(file.get(), local, flags);
    }; // closing the database writes the records it held back
    ASSERT_EQ(getWithNewSession(0), com::S_OK) << lastError();
    const auto before = storeFiles(dbFolder());
    const ino_t written = inode(copy);
    const std::int32_t compares[] = {0, vss::FlagCompareContents, vss::FlagCompareChecksum,
                                     vss::FlagCompareTime};
    for (const std::int32_t compare : compares) {
        ASSERT_EQ(getWithNewSession(compare), com::S_OK) << compare << ": " << lastError();
        EXPECT_EQ(inode(copy), written) << compare;
    }
    EXPECT_EQ(storeFiles(dbFolder()), before);
}

TEST_F(FileOperationsTest, RecordsWrittenAtARunsEndVouchForItsFilesInTheSameSession) {
    const std::vector<std::string> names = {"A.txt", "B.txt", "C.txt"};
    for (const std::string& name : names)
        add(demo_.get(), write(work() / "Demo" / name, name + "\n"));
    const fs::path copies = root() / "copies";
    auto getAll = [&] {
        for (const std::string& name : names) {
            auto file = item(db_.get(), "$/Demo/" + name);
            std::string local = (copies / name).string();
            ASSERT_EQ(get(file.get(), local, 0), com::S_OK) << lastError();
        }
    };
    // Current read-only copies, an hour old, that no record vouches for yet: the run looks the
    // folder's records up, finds none, compares the contents and writes records at its end.
    const timespec anHourAgo[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    for (const std::string& name : names) {
        write(copies / name, name + "\n");
        ::chmod((copies / name).c_str(), 0444);
        ASSERT_EQ(::utimensat(AT_FDCWD, (copies / name).c_str(), anHourAgo, 0), 0);
    }
    ComPtr<vss::IVSSRun> run;
    ASSERT_EQ(db_.queryInto(run), com::S_OK);
    ASSERT_EQ(run->BeginRun(), com::S_OK);
    getAll();
    ASSERT_EQ(run->EndRun(), com::S_OK) << lastError();
    // A change that keeps size, time and inode goes unseen while the record vouches for the
    // file: the same session's next gets take the records, not the contents.
    for (const std::string& name : names) {
        ::chmod((copies / name).c_str(), 0644);
        std::ofstream(copies / name, std::ios::in | std::ios::out) << "X";
        ::chmod((copies / name).c_str(), 0444);
        ASSERT_EQ(::utimensat(AT_FDCWD, (copies / name).c_str(), anHourAgo, 0), 0);
    }
    getAll();
    for (const std::string& name : names)
        EXPECT_EQ(read(copies / name), "X" + name.substr(1) + "\n") << name;
}

TEST_F(FileOperationsTest, AChangedOrReplacedCopyIsFetchedAgainAndALostRecordCostsARecheck) {
    const fs::path copy = root() / "copies" / "Main.pas";
    const std::string stored = "line 1\nline 2\nline 3\n";
    std::string local = copy.string();
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    const std::int64_t recorded = mtime(copy);

    // Edited in place to the same size: its time moves on, so the record no longer vouches.
    fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
    std::ofstream(copy, std::ios::in | std::ios::out) << "LINE";
    fs::permissions(copy, fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_EQ(read(copy), stored);

    // Replaced by another file of the same size and the same time stamp: a new inode.
    const fs::path other = root() / "copies" / "other";
    write(other, "LINE 1\nline 2\nline 3\n");
    const timespec times[2] = {{recorded, 0}, {recorded, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
    fs::permissions(other, fs::perms::owner_write, fs::perm_options::remove);
    fs::rename(other, copy);
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_EQ(read(copy), stored);

    // Without any record the copy is read and found current: it is left as it is.
    db_ = nullptr;
    demo_ = nullptr;
    main_ = nullptr; // the last reference: the held records are written
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((dbFolder() / "data" / "store.db").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "DELETE FROM local_copies", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_GT(sqlite3_changes(raw), 0);
    sqlite3_close(raw);
    const ino_t current = inode(copy);
    db_ = open();
    main_ = item(db_.get(), "$/Demo/Main.pas");
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_EQ(inode(copy), current);
    EXPECT_EQ(read(copy), stored);
}

TEST_F(FileOperationsTest, GetIntoAFolderOrTheWorkingFolder) {
    std::string local = (root() / "into").string();
    fs::create_directories(local);
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK);
    EXPECT_EQ(local, (root() / "into" / "Main.pas").string());
    fs::remove(mainPath_);
    local.clear();
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK);
    EXPECT_EQ(local, mainPath_.string());
    EXPECT_TRUE(fs::exists(mainPath_));
}

TEST_F(FileOperationsTest, GetsOfAProjectsFilesFollowCheckInsThroughAnyConnection) {
    const std::vector<std::string> names = {"A.txt", "B.txt", "C.txt"};
    for (const std::string& name : names)
        add(demo_.get(), write(work() / "Demo" / name, name + " 1\n"));
    // Gets of a project's files in turn, each into a folder of its own.
    int round = 0;
    auto getAll = [&] {
        const fs::path copies = root() / ("copies" + std::to_string(++round));
        std::vector<std::string> contents;
        for (const std::string& name : names) {
            auto file = item(db_.get(), "$/Demo/" + name);
            std::string local = (copies / name).string();
            EXPECT_EQ(get(file.get(), local, 0), com::S_OK) << lastError();
            contents.push_back(read(copies / name));
        }
        return contents;
    };
    auto checkInC = [&](vss::IVSSDatabase* db, const std::string& content) {
        auto file = item(db, "$/Demo/C.txt");
        ASSERT_EQ(file->Checkout(u"", u"", 0), com::S_OK) << lastError();
        write(work() / "Demo" / "C.txt", content);
        ASSERT_EQ(file->Checkin(u"", u"", 0), com::S_OK) << lastError();
    };
    EXPECT_EQ(getAll(), (std::vector<std::string>{"A.txt 1\n", "B.txt 1\n", "C.txt 1\n"}));
    auto other = open();
    checkInC(other.get(), "C.txt 2\n"); // through another connection
    EXPECT_EQ(getAll().back(), "C.txt 2\n");
    checkInC(db_.get(), "C.txt 3\n"); // through this one
    EXPECT_EQ(getAll().back(), "C.txt 3\n");
}

TEST_F(FileOperationsTest, MatchingCopyIsNotRewritten) {
    const ino_t before = inode(mainPath_);
    std::string local = mainPath_.string();
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK);
    EXPECT_EQ(inode(mainPath_), before);
}

TEST_F(FileOperationsTest, WritableCopyThatDiffersFollowsTheReplaceGroup) {
    commit("line 1\nline 2\nline 3\nline 4\n");
    fs::permissions(mainPath_, fs::perms::owner_write, fs::perm_options::add);
    write(mainPath_, "mine\n");
    std::string local = mainPath_.string();
    EXPECT_NE(get(main_.get(), local, 0), com::S_OK);
    EXPECT_NE(lastError().find(mainPath_.string()), std::string::npos);
    EXPECT_EQ(read(mainPath_), "mine\n");

    ASSERT_EQ(get(main_.get(), local, vss::FlagSkip), com::S_OK);
    EXPECT_EQ(read(mainPath_), "mine\n");
    ASSERT_EQ(get(main_.get(), local, vss::FlagReplace), com::S_OK);
    EXPECT_EQ(read(mainPath_), "line 1\nline 2\nline 3\nline 4\n");

    EXPECT_FALSE(writable(mainPath_));

    // A read-only copy that differs is simply replaced; no temporary file is left behind.
    write(mainPath_, "stale\n");
    fs::permissions(mainPath_,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_EQ(read(mainPath_), "line 1\nline 2\nline 3\nline 4\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work() / "Demo"))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Main.pas"});
}

TEST_F(FileOperationsTest, CheckedOutCopyIsProtectedEvenWhenReadOnly) {
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    write(mainPath_, "work in progress\n");
    fs::permissions(mainPath_,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::string local = mainPath_.string();
    EXPECT_NE(get(main_.get(), local, 0), com::S_OK);
    EXPECT_EQ(read(mainPath_), "work in progress\n");
}

TEST_F(FileOperationsTest, MergeCombinesChangesAndRefusesConflicts) {
    // Bob works in his own folder from version 1.
    auto bob = open("Bob");
    auto bobsMain = item(bob.get(), "$/Demo/Main.pas");
    const fs::path bobsCopy = root() / "bob" / "Main.pas";
    std::string local = bobsCopy.string();
    ASSERT_EQ(get(bobsMain.get(), local, vss::FlagWritable), com::S_OK);
    write(bobsCopy, "line 1\nline 2\nline 3\nbob's line\n");

    commit("ADMIN 1\nline 2\nline 3\n");
    ASSERT_EQ(get(bobsMain.get(), local, vss::FlagMerge), com::S_OK) << lastError();
    EXPECT_EQ(read(bobsCopy), "ADMIN 1\nline 2\nline 3\nbob's line\n");
    EXPECT_TRUE(writable(bobsCopy));

    commit("ADMIN 1\nline 2\nline 3\nadmin's line\n");
    ASSERT_NE(get(bobsMain.get(), local, vss::FlagMerge), com::S_OK);
    EXPECT_NE(lastError().find("conflict"), std::string::npos);
    EXPECT_EQ(read(bobsCopy), "ADMIN 1\nline 2\nline 3\nbob's line\n");
}

TEST_F(FileOperationsTest, BinaryFilesAreNeverMerged) {
    const fs::path logo = write(work() / "Demo" / "Logo.bin", std::string("\0a\n", 3));
    auto file = add(demo_.get(), logo, vss::FlagWritable);
    ASSERT_EQ(file->Checkout(u"", u"", 0), com::S_OK);
    write(logo, std::string("\0b\n", 3));
    ASSERT_EQ(file->Checkin(u"", u"", vss::FlagWritable), com::S_OK);
    write(logo, std::string("\0c\n", 3));
    std::string local = logo.string();
    ASSERT_EQ(file->Checkout(u"", u"", vss::FlagSkip), com::S_OK);
    ASSERT_EQ(file->UndoCheckout(u"", vss::FlagLeaveLocal), com::S_OK);
    EXPECT_NE(get(file.get(), local, vss::FlagMerge), com::S_OK);
    EXPECT_NE(lastError().find("binary"), std::string::npos);
    EXPECT_EQ(read(logo), std::string("\0c\n", 3));
}

TEST_F(FileOperationsTest, ProjectGetRecursesOnlyWhenAsked) {
    ComPtr<vss::IVSSItem> sub;
    ASSERT_EQ(demo_->NewSubproject(u"Sub", u"", sub.put()), com::S_OK);
    add(sub.get(), write(work() / "Demo" / "Sub" / "Deep.pas", "deep"));
    const fs::path target = root() / "fresh";
    std::string local = target.string();
    ASSERT_EQ(get(demo_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_TRUE(fs::exists(target / "Main.pas"));
    EXPECT_FALSE(fs::exists(target / "Sub" / "Deep.pas"));
    ASSERT_EQ(get(demo_.get(), local, vss::FlagRecursiveYes), com::S_OK) << lastError();
    EXPECT_EQ(read(target / "Sub" / "Deep.pas"), "deep");
    EXPECT_FALSE(writable(target / "Sub" / "Deep.pas"));

    // A writable file that differs is reported by name; the others are still got.
    fs::permissions(target / "Main.pas", fs::perms::owner_write, fs::perm_options::add);
    write(target / "Main.pas", "local edit\n");
    fs::remove(target / "Sub" / "Deep.pas");
    EXPECT_NE(get(demo_.get(), local, vss::FlagRecursiveYes), com::S_OK);
    EXPECT_NE(lastError().find("Main.pas"), std::string::npos);
    EXPECT_TRUE(fs::exists(target / "Sub" / "Deep.pas"));

    // ... unless the user has it checked out: then it is work in progress and left alone.
    ASSERT_EQ(main_->Checkout(u"", wide((target / "Main.pas").string()), vss::FlagSkip), com::S_OK)
        << lastError();
    ASSERT_EQ(get(demo_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_EQ(read(target / "Main.pas"), "local edit\n");
    ASSERT_EQ(get(demo_.get(), local, vss::FlagReplace), com::S_OK) << lastError();
    EXPECT_EQ(read(target / "Main.pas"), "line 1\nline 2\nline 3\n");
}

TEST_F(FileOperationsTest, NoWorkingFolderIsSaidPlainly) {
    ComPtr<vss::IVSSItem> loose;
    ASSERT_EQ(item(db_.get(), "$/")->NewSubproject(u"Loose", u"", loose.put()), com::S_OK);
    auto file = add(loose.get(), write(root() / "loose" / "L.pas", "l"));
    EXPECT_EQ(localSpec(file.get()), "");
    std::string local;
    EXPECT_NE(get(file.get(), local, 0), com::S_OK);
    EXPECT_NE(lastError().find("working folder"), std::string::npos);
    EXPECT_NE(file->Checkout(u"", u"", 0), com::S_OK);
    EXPECT_NE(lastError().find("working folder"), std::string::npos);
    EXPECT_NE(get(loose.get(), local, 0), com::S_OK);
}

TEST_F(FileOperationsTest, MissingWorkingFolderIsCreatedOnGet) {
    fs::remove_all(work() / "Demo");
    std::string local;
    ASSERT_EQ(get(main_.get(), local, 0), com::S_OK) << lastError();
    EXPECT_TRUE(fs::exists(mainPath_));

    // A working folder that cannot be made: a plain file has its name.
    const fs::path blocked = write(root() / "blocked", "a file") / "Demo";
    ASSERT_EQ(demo_->put_LocalSpec(wide(blocked.string())), com::S_OK);
    local.clear();
    EXPECT_NE(get(main_.get(), local, 0), com::S_OK);
    EXPECT_NE(lastError().find(blocked.string()), std::string::npos);
    EXPECT_NE(main_->Checkout(u"", u"", 0), com::S_OK);
    EXPECT_EQ(checkedOut(main_.get()), vss::kNotCheckedOut);
}

TEST_F(FileOperationsTest, WaitsForAnotherWriterInsteadOfFailing) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dbFolder() / "data" / "store.db").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    const auto start = std::chrono::steady_clock::now();
    const com::HRESULT hr = main_->Checkout(u"", u"", 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    release.join();
    sqlite3_close(other);
    EXPECT_EQ(hr, com::S_OK) << lastError();
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(checkedOut(main_.get()), vss::kCheckedOutMe);
}

TEST_F(FileOperationsTest, BadLocalFilesAreRefusedWithTheirPath) {
    const fs::path missing = work() / "Demo" / "Missing.pas";
    const fs::path folder = work() / "Demo" / "AFolder";
    fs::create_directories(folder);
    const fs::path link = work() / "Demo" / "Link.pas";
    fs::create_symlink(mainPath_, link);
    for (const fs::path& bad : {missing, folder, link}) {
        ComPtr<vss::IVSSItem> added;
        EXPECT_NE(demo_->Add(wide(bad.string()), u"", 0, added.put()), com::S_OK) << bad;
        EXPECT_NE(lastError().find(bad.string()), std::string::npos) << bad;
    }
    ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK);
    for (const fs::path& bad : {missing, link}) {
        EXPECT_NE(main_->Checkin(u"", wide(bad.string()), 0), com::S_OK) << bad;
        EXPECT_NE(lastError().find(bad.string()), std::string::npos) << bad;
    }
    EXPECT_EQ(checkedOut(main_.get()), vss::kCheckedOutMe);
    // Get refuses to replace a link.
    std::string local = link.string();
    EXPECT_NE(get(main_.get(), local, vss::FlagReplace), com::S_OK);
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(FileOperationsTest, UnreadableFileAndReadOnlyFolder) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path secret = write(work() / "Demo" / "Secret.pas", "s");
    fs::permissions(secret, fs::perms::none);
    ComPtr<vss::IVSSItem> added;
    EXPECT_NE(demo_->Add(wide(secret.string()), u"", 0, added.put()), com::S_OK);
    EXPECT_NE(lastError().find(secret.string()), std::string::npos);

    const fs::path locked = root() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    std::string local = (locked / "Main.pas").string();
    EXPECT_NE(get(main_.get(), local, 0), com::S_OK);
    EXPECT_NE(lastError().find(locked.string()), std::string::npos);
}

TEST_F(FileOperationsTest, LargeBinaryFileRoundTripsThroughChunks) {
    std::string data(3 * (1 << 20) + 12345, '\0');
    std::mt19937 random(7);
    for (char& c : data)
        c = static_cast<char>(random());
    const fs::path big = write(work() / "Demo" / "Big.bin", data);
    auto file = add(demo_.get(), big);
    const fs::path copy = root() / "Big.bin";
    std::string local = copy.string();
    ASSERT_EQ(get(file.get(), local, 0), com::S_OK) << lastError();
    EXPECT_TRUE(read(copy) == data);
    // The same content added again is stored once.
    add(demo_.get(), write(work() / "Demo" / "Same.bin", data));
    const auto report = vss::admin::verify(dbFolder());
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.contentsChecked, 2); // Main.pas and the big content
}

} // namespace
} // namespace servertest

// Gets and undone check-outs announced at the start of a run: their copies may be written ahead
// on another thread, and must come out exactly as unannounced calls write them, or not at all.
#include "ServerFixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

namespace servertest {
namespace {

constexpr int kFiles = 64;

class CopyAheadTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        db_ = open();
        demo_ = project(db_.get(), "Demo");
        for (int i = 0; i < kFiles; ++i)
            add(demo_.get(), write(folder() / name(i), "file " + std::to_string(i) + "\n"));
        fs::remove_all(folder());
        ASSERT_EQ(db_.queryInto(run_), com::S_OK);
        ASSERT_EQ(db_.queryInto(ahead_), com::S_OK);
    }

    static std::string name(int i) { return "f" + std::to_string(i) + ".txt"; }
    fs::path folder() const { return work() / "Demo"; }

    void announceAll(std::int32_t flags, vss::VSSCopyCall call = vss::VSSCopyGet) {
        std::vector<std::u16string> specs;
        for (int i = 0; i < kFiles; ++i)
            specs.push_back(wide("$/Demo/" + name(i)));
        ASSERT_EQ(ahead_->Announce(call, specs, flags), com::S_OK);
    }

    com::HRESULT get(vss::IVSSDatabase* db, int i, std::int32_t flags) {
        auto file = item(db, "$/Demo/" + name(i));
        std::u16string local = wide(localSpec(file.get()));
        return file->Get(&local, flags);
    }

    com::HRESULT call(vss::VSSCopyCall call, int i, std::int32_t flags) {
        if (call == vss::VSSCopyGet)
            return get(db_.get(), i, flags);
        auto file = item(db_.get(), "$/Demo/" + name(i));
        return file->UndoCheckout(wide(localSpec(file.get())), flags);
    }

    // Every file checked out and edited; one of them executable.
    void checkOutAndEdit() {
        fs::remove_all(folder());
        for (int i = 0; i < kFiles; ++i) {
            auto file = item(db_.get(), "$/Demo/" + name(i));
            ASSERT_EQ(file->Checkout(u"", u"", 0), com::S_OK) << lastError();
            write(folder() / name(i), "edited " + std::to_string(i) + "\n");
        }
        fs::permissions(folder() / name(3), fs::perms::owner_exec, fs::perm_options::add);
    }

    struct Copy {
        std::string content;
        mode_t mode = 0;
        time_t seconds = 0;
        bool operator==(const Copy&) const = default;
    };
    // Every entry of the folder, temporaries included.
    std::map<std::string, Copy> listing() const {
        std::map<std::string, Copy> found;
        if (!fs::exists(folder()))
            return found;
        for (const auto& entry : fs::directory_iterator(folder())) {
            struct stat st {};
            ::lstat(entry.path().c_str(), &st);
            found[entry.path().filename().string()] = {read(entry.path()), st.st_mode, st.st_mtime};
        }
        return found;
    }

    ComPtr<vss::IVSSDatabase> db_;
    ComPtr<vss::IVSSItem> demo_;
    ComPtr<vss::IVSSRun> run_;
    ComPtr<vss::IVSSCopyAhead> ahead_;
};

TEST_F(CopyAheadTest, AnnouncedCallsWriteWhatUnannouncedOnesWrite) {
    const std::int32_t cases[] = {0, vss::FlagWritable, vss::FlagTimeModification,
                                  vss::FlagTimeCheckIn};
    for (const vss::VSSCopyCall kind : {vss::VSSCopyGet, vss::VSSCopyUndoCheckout}) {
        for (const std::int32_t flags : cases) {
            SCOPED_TRACE(std::to_string(kind) + " " + std::to_string(flags));
            std::map<std::string, Copy> written[2];
            for (const bool announced : {false, true}) {
                if (kind == vss::VSSCopyGet)
                    fs::remove_all(folder());
                else
                    ASSERT_NO_FATAL_FAILURE(checkOutAndEdit());
                ASSERT_EQ(run_->BeginRun(), com::S_OK);
                if (announced)
                    announceAll(flags, kind);
                for (int i = 0; i < kFiles; ++i)
                    ASSERT_EQ(call(kind, i, flags), com::S_OK) << lastError();
                ASSERT_EQ(run_->EndRun(), com::S_OK) << lastError();
                written[announced] = listing();
            }
            ASSERT_EQ(written[1].size(), static_cast<std::size_t>(kFiles));
            for (const auto& [file, copy] : written[1]) {
                const Copy& plain = written[0][file];
                EXPECT_EQ(copy.content, plain.content) << file;
                EXPECT_EQ(copy.mode, plain.mode) << file;
                // A time from the store is the same; the current time may have moved on.
                if ((flags & vss::kMaskTime) != 0) {
                    EXPECT_EQ(copy.seconds, plain.seconds) << file;
                }
            }
        }
    }
}

TEST_F(CopyAheadTest, GetsThatDoNotFollowTheirAnnouncementsAreUnaffected) {
    auto other = open();
    // Outside a run an announcement is accepted and does nothing.
    ASSERT_EQ(ahead_->Announce(vss::VSSCopyGet, {u"$/Demo/f0.txt"}, 0), com::S_OK);
    EXPECT_FALSE(fs::exists(folder()));

    ASSERT_EQ(run_->BeginRun(), com::S_OK);
    announceAll(0);
    ASSERT_EQ(ahead_->Announce(vss::VSSCopyGet, {u"$/Demo/no such file.txt"}, 0), com::S_OK);
    EXPECT_NE(ahead_->Announce(7, {u"$/Demo/f0.txt"}, 0), com::S_OK);
    // The odd files are never fetched; f12 is put there by the user meanwhile.
    auto getEven = [&](int from, int to) {
        for (int i = from; i < to; i += 2) {
            if (i == 12)
                write(folder() / name(12), "the user's own\n");
            EXPECT_EQ(com::succeeded(get(db_.get(), i, 0)), i != 12) << name(i) << lastError();
        }
    };
    getEven(0, 7);
    // Meanwhile another user checks in f9, whose copy is written ahead by now; a check-out of
    // this run (f1, without its copy) lets the run see the new version.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto nine = item(other.get(), "$/Demo/f9.txt");
    const fs::path elsewhere = work() / "elsewhere" / "f9.txt";
    ASSERT_EQ(nine->Checkout(u"", wide(elsewhere.string()), 0), com::S_OK) << lastError();
    write(elsewhere, "file 9, second version\n");
    ASSERT_EQ(nine->Checkin(u"", wide(elsewhere.string()), 0), com::S_OK) << lastError();
    ASSERT_EQ(item(db_.get(), "$/Demo/f1.txt")->Checkout(u"", u"", vss::FlagDontGetLocal),
              com::S_OK)
        << lastError();
    EXPECT_EQ(get(db_.get(), 9, 0), com::S_OK) << lastError();
    getEven(8, kFiles);
    ASSERT_EQ(run_->EndRun(), com::S_OK) << lastError();

    const auto found = listing();
    std::vector<std::string> names;
    for (const auto& [file, copy] : found)
        names.push_back(file);
    std::vector<std::string> expected;
    for (int i = 0; i < kFiles; ++i)
        if (i % 2 == 0 || i == 9)
            expected.push_back(name(i));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected) << "files not fetched, or temporaries, were left";
    EXPECT_EQ(found.at("f9.txt").content, "file 9, second version\n");
    EXPECT_EQ(found.at("f12.txt").content, "the user's own\n");
    EXPECT_EQ(found.at("f4.txt").content, "file 4\n");
}

TEST_F(CopyAheadTest, ARunThatEndsBeforeItsGetsLeavesNothing) {
    ASSERT_EQ(run_->BeginRun(), com::S_OK);
    announceAll(0);
    ASSERT_EQ(get(db_.get(), 0, 0), com::S_OK) << lastError();
    ASSERT_EQ(run_->EndRun(), com::S_OK) << lastError();
    const auto found = listing();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.begin()->first, "f0.txt");

    // Undone check-outs' copies wait under names of their own beside the files: those not
    // taken go with the run.
    ASSERT_NO_FATAL_FAILURE(checkOutAndEdit());
    ASSERT_EQ(run_->BeginRun(), com::S_OK);
    announceAll(0, vss::VSSCopyUndoCheckout);
    ASSERT_EQ(call(vss::VSSCopyUndoCheckout, 0, 0), com::S_OK) << lastError();
    auto named = [&] {
        for (const auto& [file, copy] : listing())
            if (file.find(".vss-") != std::string::npos)
                return true;
        return false;
    };
    for (int wait = 0; wait < 200 && !named(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool namedAhead = named();
    ASSERT_EQ(run_->EndRun(), com::S_OK) << lastError();
    const auto left = listing();
    ASSERT_EQ(left.size(), static_cast<std::size_t>(kFiles));
    for (int i = 1; i < kFiles; ++i)
        EXPECT_EQ(left.at(name(i)).content, "edited " + std::to_string(i) + "\n") << i;
    if (!namedAhead)
        GTEST_SKIP() << "no copy was written ahead here (a single processor)";
}

TEST_F(CopyAheadTest, AFileChangedDuringTheRunIsNeverOverwrittenByAnEarlierLook) {
    ASSERT_EQ(run_->BeginRun(), com::S_OK);
    announceAll(0);
    for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(get(db_.get(), i, 0), com::S_OK) << lastError();
    ASSERT_EQ(run_->EndRun(), com::S_OK) << lastError();
    // Another user checks in new versions: these read-only copies are now out of date.
    auto other = open();
    const int outdated[] = {10, 20, 30};
    for (const int i : outdated) {
        auto file = item(other.get(), "$/Demo/" + name(i));
        const fs::path elsewhere = work() / "elsewhere" / name(i);
        ASSERT_EQ(file->Checkout(u"", wide(elsewhere.string()), 0), com::S_OK) << lastError();
        write(elsewhere, "second version " + std::to_string(i) + "\n");
        ASSERT_EQ(file->Checkin(u"", wide(elsewhere.string()), 0), com::S_OK) << lastError();
    }

    // The user makes them writable and edits them while the next run goes on, after they have
    // been looked at ahead (the thread is far quicker than the gets).
    ASSERT_EQ(run_->BeginRun(), com::S_OK);
    announceAll(0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(get(db_.get(), i, 0), com::S_OK) << lastError();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (const int i : outdated) {
        fs::permissions(folder() / name(i), fs::perms::owner_write, fs::perm_options::add);
        write(folder() / name(i), "the user's edit " + std::to_string(i) + "\n");
    }
    for (int i = 3; i < kFiles; ++i)
        EXPECT_EQ(com::succeeded(get(db_.get(), i, 0)),
                  std::find(std::begin(outdated), std::end(outdated), i) == std::end(outdated))
            << i;
    ASSERT_EQ(run_->EndRun(), com::S_OK) << lastError();
    const auto found = listing();
    for (const int i : outdated)
        EXPECT_EQ(found.at(name(i)).content, "the user's edit " + std::to_string(i) + "\n");
    EXPECT_EQ(found.at(name(11)).content, "file 11\n");
}

} // namespace
} // namespace servertest

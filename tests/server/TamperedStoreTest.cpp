// A store changed behind the server's back (by any outside writer of the SQLite file): names
// that would lead a get out of the working folder, and content that no longer matches its hash.
#include "ServerFixture.h"

#include <sqlite3.h>

#include <sstream>

namespace servertest {
namespace {

class TamperedStoreTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        db_ = open();
        demo_ = project(db_.get(), "Demo");
        ComPtr<vss::IVSSItem> sub;
        ASSERT_EQ(demo_->NewSubproject(u"Sub", u"", sub.put()), com::S_OK) << lastError();
        add(demo_.get(), write(work() / "Demo" / "A.pas", "unit A;\n"));
        add(sub.get(), write(work() / "Demo" / "Sub" / "B.pas", "unit B;\n"));
        fs::remove_all(work() / "Demo");
    }

    // Runs SQL on the store as an outside writer would.
    void tamper(const std::string& sql) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open((dbFolder() / "data" / "store.db").c_str(), &raw), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(raw);
        ASSERT_EQ(rc, SQLITE_OK) << message;
    }

    com::HRESULT getAll(const std::string& spec) {
        std::u16string local;
        return item(db_.get(), spec)->Get(&local, vss::FlagRecursiveYes);
    }

    // Every file below root() outside the database folder, as paths relative to root().
    std::vector<std::string> filesOutsideDatabase() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root()))
            if (entry.is_regular_file() && !entry.path().string().starts_with(dbFolder().string()))
                files.push_back(entry.path().lexically_relative(root()).string());
        return files;
    }

    ComPtr<vss::IVSSDatabase> db_;
    ComPtr<vss::IVSSItem> demo_;
};

TEST_F(TamperedStoreTest, NamesThatLeaveTheWorkingFolderAreRefusedAndReported) {
    struct Case {
        const char* sql;
        const char* badName;
    };
    const Case cases[] = {
        {"UPDATE links SET name = '../escape.txt' WHERE name = 'A.pas'", "../escape.txt"},
        {"UPDATE links SET name = '..' WHERE name = 'Sub'", ".."},
        {"UPDATE links SET name = 'x/../../up.txt' WHERE name = 'B.pas'", "x/../../up.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        TearDown();
        SetUp();
        tamper(c.sql);
        db_ = open();
        EXPECT_NE(getAll("$/Demo"), com::S_OK);
        const std::string error = lastError();
        EXPECT_NE(error.find(c.badName), std::string::npos) << error;
        EXPECT_NE(error.find("verify"), std::string::npos) << error;
        for (const std::string& file : filesOutsideDatabase())
            EXPECT_TRUE(file.starts_with("work/Demo/")) << file << " was written";

        const auto report = vss::admin::verify(dbFolder());
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_NE(report.problems[0].find(c.badName), std::string::npos) << report.problems[0];
        EXPECT_NE(report.problems[0].find("$/Demo"), std::string::npos) << report.problems[0];
    }
}

TEST_F(TamperedStoreTest, DamagedContentIsNeverHandedOut) {
    // One flipped byte in the only chunk of each content: zstd keeps no checksum of its own,
    // so only the content hash can tell.
    tamper("UPDATE chunks SET data = substr(data, 1, length(data) - 2) || "
           "x'58' || substr(data, length(data))");
    db_ = open();
    auto a = item(db_.get(), "$/Demo/A.pas");
    std::u16string local;
    EXPECT_NE(a->Get(&local, 0), com::S_OK);
    std::string error = lastError();
    EXPECT_NE(error.find("$/Demo/A.pas"), std::string::npos) << error;
    EXPECT_NE(error.find("Version 1"), std::string::npos) << error;
    EXPECT_NE(error.find("verify"), std::string::npos) << error;

    EXPECT_NE(a->Checkout(u"", u"", 0), com::S_OK);
    EXPECT_NE(getAll("$/Demo"), com::S_OK);
    // Nothing at all, not even a temporary file, was left in the working folder.
    EXPECT_EQ(filesOutsideDatabase(), std::vector<std::string>{});

    std::ostringstream out;
    EXPECT_THROW(vss::admin::writeVersion(dbFolder(), "$/Demo/A.pas", 0, out),
                 vss::admin::AdminError);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(vss::admin::verify(dbFolder()).ok());
}

} // namespace
} // namespace servertest

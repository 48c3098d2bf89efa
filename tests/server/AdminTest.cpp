// The administration API: creating databases, users, check-out lists, version contents and the
// store's verification.
#include "ServerFixture.h"

#include <sqlite3.h>

#include <sstream>

namespace servertest {
namespace {

using vss::admin::AdminError;

TEST_F(ServerTest, CreateRefusesAnExistingDatabase) {
    EXPECT_THROW(vss::admin::createDatabase(dbFolder()), AdminError);
    EXPECT_TRUE(fs::exists(dbFolder() / "srcsafe.ini"));
    vss::admin::createDatabase(root() / "second", "Boss");
    EXPECT_EQ(vss::admin::users(root() / "second"), std::vector<std::string>{"Boss"});
    EXPECT_THROW(vss::admin::users(root() / "nowhere"), AdminError);
}

TEST_F(ServerTest, UsersAreUniqueWithoutRegardToCase) {
    vss::admin::addUser(dbFolder(), "bob");
    EXPECT_THROW(vss::admin::addUser(dbFolder(), "BOB"), AdminError);
    EXPECT_THROW(vss::admin::addUser(dbFolder(), ""), AdminError);
    EXPECT_THROW(vss::admin::setPassword(dbFolder(), "carol", "x"), AdminError);
    EXPECT_EQ(vss::admin::users(dbFolder()), (std::vector<std::string>{"Admin", "bob"}));
}

TEST_F(ServerTest, CheckoutsAndVersionsAreListed) {
    auto db = open();
    auto demo = project(db.get(), "Demo");
    ComPtr<vss::IVSSItem> sub;
    ASSERT_EQ(demo->NewSubproject(u"Sub", u"", sub.put()), com::S_OK);
    auto a = add(demo.get(), write(work() / "Demo" / "A.pas", "a1"));
    auto b = add(sub.get(), write(work() / "Demo" / "Sub" / "B.pas", "b1"));
    ASSERT_EQ(b->Checkout(u"", u"", 0), com::S_OK);
    ASSERT_EQ(a->Checkout(u"", u"", 0), com::S_OK);
    write(work() / "Demo" / "A.pas", "a2");
    ASSERT_EQ(a->Checkin(u"", u"", 0), com::S_OK);

    const auto all = vss::admin::checkouts(dbFolder());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].spec, "$/Demo/Sub/B.pas");
    EXPECT_EQ(vss::admin::checkouts(dbFolder(), "$/Demo/Sub").size(), 1u);
    EXPECT_THROW(vss::admin::checkouts(dbFolder(), "$/Other"), AdminError);
    std::ostringstream v1, latest;
    vss::admin::writeVersion(dbFolder(), "$/Demo/A.pas", 1, v1);
    vss::admin::writeVersion(dbFolder(), "$/Demo/A.pas", 0, latest);
    EXPECT_EQ(v1.str(), "a1");
    EXPECT_EQ(latest.str(), "a2");
    std::ostringstream none;
    EXPECT_THROW(vss::admin::writeVersion(dbFolder(), "$/Demo/A.pas", 9, none), AdminError);
    EXPECT_THROW(vss::admin::writeVersion(dbFolder(), "$/Demo", 0, none), AdminError);
}

TEST_F(ServerTest, VerifyFindsDamagedContent) {
    auto db = open();
    auto demo = project(db.get(), "Demo");
    add(demo.get(), write(work() / "Demo" / "A.pas", "some text that will be damaged"));
    auto report = vss::admin::verify(dbFolder());
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.contentsChecked, 1);
    db.reset();
    demo.reset();

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((dbFolder() / "data" / "store.db").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "UPDATE chunks SET data = x'00112233'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    report = vss::admin::verify(dbFolder());
    ASSERT_FALSE(report.ok());
    EXPECT_NE(report.problems.front().find("does not match"), std::string::npos);
}

} // namespace
} // namespace servertest

// Reading stored versions without a local copy, and labels in an item's history.
#include "ServerFixture.h"

namespace servertest {
namespace {

class VersionContentTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        db_ = open();
        demo_ = project(db_.get(), "Demo");
        mainPath_ = write(work() / "Demo" / "Main.pas", "first\n");
        main_ = add(demo_.get(), mainPath_);
        ASSERT_EQ(main_->Checkout(u"", u"", 0), com::S_OK) << lastError();
        write(mainPath_, "second\n");
        ASSERT_EQ(main_->Checkin(u"", u"", 0), com::S_OK) << lastError();
        ASSERT_EQ(main_.queryInto(content_), com::S_OK);
    }
    com::HRESULT readVersion(std::int32_t number, std::string& out) {
        return content_->ReadVersion(number, &out);
    }

    ComPtr<vss::IVSSDatabase> db_;
    ComPtr<vss::IVSSItem> demo_;
    fs::path mainPath_;
    ComPtr<vss::IVSSItem> main_;
    ComPtr<vss::IVSSFileContent> content_;
};

TEST_F(VersionContentTest, ReadsEachVersionAndTheLatest) {
    const std::vector<std::pair<std::int32_t, std::string>> cases = {
        {1, "first\n"}, {2, "second\n"}, {0, "second\n"}};
    for (const auto& [number, expected] : cases) {
        std::string out;
        ASSERT_EQ(readVersion(number, out), com::S_OK) << lastError();
        EXPECT_EQ(out, expected) << number;
    }
}

TEST_F(VersionContentTest, ReadingLeavesTheLocalCopyAlone) {
    write(work() / "elsewhere.txt", "x");
    const std::string before = localSpec(main_.get());
    std::string out;
    ASSERT_EQ(readVersion(1, out), com::S_OK);
    EXPECT_EQ(read(mainPath_), "second\n");
    EXPECT_EQ(localSpec(main_.get()), before);
}

TEST_F(VersionContentTest, UnknownVersionsAndProjectsFail) {
    std::string out;
    EXPECT_NE(readVersion(3, out), com::S_OK);
    EXPECT_NE(lastError().find("has no version 3"), std::string::npos) << lastError();
    EXPECT_NE(readVersion(-1, out), com::S_OK);
    ComPtr<vss::IVSSFileContent> projectContent;
    ASSERT_EQ(demo_.queryInto(projectContent), com::S_OK);
    EXPECT_NE(projectContent->ReadVersion(0, &out), com::S_OK);
    EXPECT_NE(lastError().find("is a project"), std::string::npos) << lastError();
}

TEST_F(VersionContentTest, ALabelIsAVersionWithTheContentBeforeIt) {
    EXPECT_EQ(vss::admin::label(dbFolder(), "$/Demo/Main.pas", "Release 1", "Admin", "shipped"), 3);
    EXPECT_EQ(versionNumber(main_.get()), 3);
    ComPtr<vss::IVSSVersions> versions;
    ASSERT_EQ(main_->get_Versions(0, versions.put()), com::S_OK);
    ComPtr<vss::IVSSVersion> newest;
    ASSERT_EQ(versions->get_Item(1, newest.put()), com::S_OK);
    std::u16string label, action, comment;
    newest->get_Label(&label);
    newest->get_Action(&action);
    newest->get_Comment(&comment);
    EXPECT_EQ(text(label), "Release 1");
    EXPECT_EQ(text(action), "Labeled");
    EXPECT_EQ(text(comment), "shipped");
    std::string out;
    ASSERT_EQ(readVersion(3, out), com::S_OK) << lastError();
    EXPECT_EQ(out, "second\n");
    EXPECT_THROW(vss::admin::label(dbFolder(), "$/Demo/Main.pas", "", "Admin"),
                 vss::admin::AdminError);
    EXPECT_THROW(vss::admin::label(dbFolder(), "$/Demo/None.pas", "x", "Admin"),
                 vss::admin::AdminError);
}

} // namespace
} // namespace servertest

// The real add-in in the real host: an unbound project bound through verb 5 and its units added,
// a second developer bound to the project the first one added, and a unit added to a bound
// project offered, added and then listed by the check-out dialog.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class BindAddEndToEndTest : public AddinEndToEndTest {
protected:
    void arrange() override {
        writeProject({"Unit1", "Unit2"});
        env.ss({"mkproj", "$/Apps"});
        env.ss({"mkproj", "$/Apps/Old"});
    }
    std::string dir(const std::string& project) { return env.ss({"dir", project}).out; }
    static bool lists(const std::string& listing, const std::string& name) {
        return listing.find(name) != std::string::npos;
    }
};

TEST_F(BindAddEndToEndTest, AnUnboundProjectIsBoundThroughVerb5AndItsUnitsAdded) {
    const Transcript t = runWithAddin("open " + dpr.string() + R"(
edit )" + file("Unit1.pas") + R"(
verb 5
window "Add to SourceSafe Project"
expect EditProjectName text "Demo"
expect LabelNewProjectSpec text "$/Demo"
pick TreeVProjects "$/Apps"
expect LabelSpec text "$/Apps/"
expect LabelNewProjectSpec text "$/Apps/Demo"
click ButtonOk
answer Yes
window "Add Files To Source Control"
expect ListBoxFileList selected "Unit1.pas"
select ListBoxFileList "Demo.dpr" "Unit2.pas"
type MemoComment "first version"
click ButtonOk
expect ButtonOk caption "Close"
click ButtonOk
idle
menu
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
    const auto windows = t.all("window");
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]["class"].toString(), "FormAddProject");
    EXPECT_EQ(windows[1]["class"].toString(), "FormAddFile");
    const QJsonObject box = t.first("messagebox");
    EXPECT_EQ(box["text"].toString(),
              "Project $/Apps/Demo does not exist. Would you like to create it?");
    EXPECT_EQ(box["caption"].toString(), "SourceSafe");
    EXPECT_EQ(box["style"].toInt(), 36);

    // The binding file, the project's working folder and its files.
    const fs::path binding = work / "Delphi.Vss";
    EXPECT_EQ(testenv::TestEnvironment::read(binding), "$/Apps/Demo\r\n");
    const fs::perms writable =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    EXPECT_EQ(fs::status(binding).permissions() & writable, fs::perms::none);
    const std::string listing = dir("$/Apps/Demo");
    for (const char* name : {"Delphi.Vss", "Demo.dpr", "Unit1.pas", "Unit2.pas"})
        EXPECT_TRUE(lists(listing, name)) << name << " in " << listing;
    EXPECT_NE(env.ss({"history", "$/Apps/Demo/Unit2.pas"}).out.find("first version"),
              std::string::npos);
    // Bound now: the project verbs are enabled without reopening the project.
    EXPECT_EQ(menuStates(t.first("menu")).mid(0, 4), QList<int>({1, 1, 1, 1}));
}

// The second developer, another user with a folder of their own, binds to the project the first
// one bound and added: the binding is taken, and the binding file already in the project is
// neither added again nor changed.
TEST_F(BindAddEndToEndTest, ASecondDeveloperBindsToTheProjectTheFirstOneAdded) {
    env.ss({"mkproj", "$/Apps/Demo"});
    env.ss({"workfold", "$/Apps/Demo", work.string()});
    bind("$/Apps/Demo");
    env.ss({"add", "$/Apps/Demo", file("Delphi.Vss"), file("Demo.dpr"), file("Unit1.pas"),
            file("Unit2.pas")});
    env.ss({"adduser", "bob"}, {}, true, "Admin");
    const fs::path other = env.root() / "bob";
    for (const char* name : {"Demo.dpr", "Unit1.pas", "Unit2.pas"})
        env.write(other / name, testenv::TestEnvironment::read(work / name));

    const Transcript t = runWithAddin("open " + (other / "Demo.dpr").string() + R"(
verb 5
window "Add to SourceSafe Project"
pick TreeVProjects "$/Apps"
expect LabelNewProjectSpec text "$/Apps/Demo"
click ButtonOk
window "Add Files To Source Control"
click ButtonCancel
idle
menu
)",
                                      {{"SSUSER", "bob"}});
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
    EXPECT_TRUE(t.all("messagebox").isEmpty()) << t.out;
    EXPECT_EQ(testenv::TestEnvironment::read(other / "Delphi.Vss"), "$/Apps/Demo\r\n");
    EXPECT_EQ(menuStates(t.first("menu")).mid(0, 4), QList<int>({1, 1, 1, 1}));

    // The project's binding file has its one version; each developer keeps their own folder.
    const std::string history = env.ss({"history", "$/Apps/Demo/Delphi.Vss"}).out;
    EXPECT_EQ(history.rfind("1  ", 0), 0u) << history;
    EXPECT_EQ(env.ss({"cat", "$/Apps/Demo/Delphi.Vss"}).out, "$/Apps/Demo\r\n");
    for (const auto& [user, folder] : {std::pair{std::string("bob"), other},
                                       std::pair{testenv::TestEnvironment::currentUser(), work}}) {
        fs::remove(folder / "Unit2.pas");
        env.ss({"get", "$/Apps/Demo/Unit2.pas"}, {}, true, user);
        EXPECT_TRUE(fs::exists(folder / "Unit2.pas")) << user;
    }
}

TEST_F(BindAddEndToEndTest, AUnitAddedToABoundProjectIsOfferedAddedAndThenCheckedOut) {
    placeUnderControl("$/Demo", {"Unit1.pas", "Unit2.pas"});
    bind("$/Demo");
    const Transcript t = runWithAddin("open " + dpr.string() + "\nadd " + file("Unit3.pas") + R"(
answer Yes
window "Add Files To Source Control"
expect ListBoxFileList selected "Unit3.pas"
click ButtonOk
expect MemoLog items ")" + "Adding " + file("Unit3.pas") +
                                      R"("
click ButtonOk
idle
verb 1
window "Check Out"
expect ListBoxFileList items "Unit1.pas|Unit2.pas|Unit3.pas"
expect ListBoxFileList selected "Unit3.pas"
click ButtonCancel
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
    const QJsonObject box = t.first("messagebox");
    EXPECT_EQ(box["text"].toString(), "Would you like to add this file to source control?");
    EXPECT_EQ(box["caption"].toString(), "Source Safe");
    EXPECT_EQ(box["answer"].toString(), "Yes");
    EXPECT_TRUE(lists(dir("$/Demo"), "Unit3.pas"));
    EXPECT_NE(testenv::TestEnvironment::read(dpr).find("Unit3"), std::string::npos);
}

} // namespace

// The real add-in in the real host: an unbound project bound through verb 5 and its units added,
// and a unit added to a bound project offered, added and then listed by the check-out dialog.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>

#include <QJsonArray>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr char kOptionsKey[] = "Software\\Borland\\Delphi\\3.0\\Version Control";

class BindAddEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testenv::addinLibrary().empty() || !fs::exists(testenv::addinLibrary()))
            GTEST_SKIP() << "libquillmoor.so is not built";
        env.createDatabase("Main");
        env.ss({"register", "--name", "Main", "--current"});
        reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "GetOnOpen", reg::Value::fromDword(0));
        reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "CheckOnClose",
                        reg::Value::fromDword(0));
        work = env.root() / "work";
        env.write(work / "Unit1.pas", "unit Unit1;\nend.\n");
        env.write(work / "Unit2.pas", "unit Unit2;\nend.\n");
        dpr = env.write(work / "Demo.dpr", "program Demo;\n\nuses\n  Unit1 in 'Unit1.pas',\n"
                                           "  Unit2 in 'Unit2.pas';\n\nbegin\nend.\n");
        env.ss({"mkproj", "$/Apps"});
        env.ss({"mkproj", "$/Apps/Old"});
    }
    std::string file(const std::string& name) const { return (work / name).string(); }
    std::string dir(const std::string& project) { return env.ss({"dir", project}).out; }
    static bool lists(const std::string& listing, const std::string& name) {
        return listing.find(name) != std::string::npos;
    }

    testenv::TestEnvironment env;
    fs::path work;
    fs::path dpr;
};

QList<int> states(const QJsonObject& menu) {
    QList<int> out;
    for (const QJsonValue& entry : menu["entries"].toArray())
        out.append(entry.toObject()["state"].toInt());
    return out;
}

TEST_F(BindAddEndToEndTest, AnUnboundProjectIsBoundThroughVerb5AndItsUnitsAdded) {
    const Transcript t = runScript("open " + dpr.string() + R"(
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
)",
                                   testenv::addinLibrary().string());
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
    EXPECT_EQ(states(t.first("menu")).mid(0, 4), QList<int>({1, 1, 1, 1}));
}

TEST_F(BindAddEndToEndTest, AUnitAddedToABoundProjectIsOfferedAddedAndThenCheckedOut) {
    env.ss({"mkproj", "$/Demo"});
    env.ss({"workfold", "$/Demo", work.string()});
    env.ss({"add", "$/Demo", file("Unit1.pas"), file("Unit2.pas")});
    env.write(work / "Delphi.Vss", "$/Demo\r\n");
    const Transcript t = runScript("open " + dpr.string() + "\nadd " + file("Unit3.pas") + R"(
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
)",
                                   testenv::addinLibrary().string());
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

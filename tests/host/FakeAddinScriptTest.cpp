// The script language and the loader, against a small fake add-in: every command drives real
// widgets, the transcript reports what was shown, and the exit code tells how it went.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <gtest/gtest.h>

namespace {

const std::string kFake = QM_FAKE_ADDIN;

class FakeAddinScriptTest : public ::testing::Test {
protected:
    // A project with two units.
    void SetUp() override {
        env.write("p/Unit1.pas", "unit Unit1;\nend.\n");
        env.write("p/Unit2.pas", "unit Unit2;\nend.\n");
        project = env.write("p/Proj.dpr", "program Proj;\n\nuses\n  Unit1 in 'Unit1.pas',\n"
                                          "  Unit2 in 'Unit2.pas';\n\nbegin\nend.\n")
                      .string();
    }
    std::string path(const std::string& relative) { return (env.root() / relative).string(); }

    testenv::TestEnvironment env;
    std::string project;
};

QStringList texts(const QJsonArray& array) {
    QStringList out;
    for (const QJsonValue& v : array)
        out.append(v.toString());
    return out;
}

TEST_F(FakeAddinScriptTest, MenuEntriesAndStatesFollowTheProject) {
    const Transcript t = runScript("menu\nopen " + project + "\nmenu\n", kFake);
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const auto menus = t.all("menu");
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]["name"].toString(), "&Fake");
    const QJsonArray before = menus[0]["entries"].toArray();
    ASSERT_EQ(before.size(), 6);
    EXPECT_EQ(before[1].toObject()["text"].toString(), ""); // separator
    EXPECT_EQ(before[4].toObject()["text"].toString(), "&Project only");
    EXPECT_EQ(before[4].toObject()["state"].toInt(), 0);
    EXPECT_EQ(menus[1]["entries"].toArray()[4].toObject()["state"].toInt(), 1);
}

TEST_F(FakeAddinScriptTest, MessageBoxAnsweredNoIsReportedAndReachesTheAddin) {
    const Transcript t = runScript("verb 0\nanswer No\nanswer OK\nidle\n", kFake);
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const auto boxes = t.all("messagebox");
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0]["text"].toString(), "Go on?");
    EXPECT_EQ(boxes[0]["caption"].toString(), "Fake");
    EXPECT_EQ(boxes[0]["style"].toInt(), 36);
    EXPECT_EQ(boxes[0]["answer"].toString(), "No");
    EXPECT_EQ(boxes[1]["text"].toString(), "Answer 7"); // the add-in got IDNO
}

TEST_F(FakeAddinScriptTest, ToolServicesReportProjectCurrentFileAndVersion) {
    const Transcript t = runScript(
        "open " + project + "\nedit " + path("p/Unit2.pas") + "\nverb 5\nanswer OK\n", kFake);
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("messagebox")["text"].toString().toStdString(),
              "Project=" + project + " Current=" + path("p/Unit2.pas") + " Version=3");
}

TEST_F(FakeAddinScriptTest, DialogControlsAreDrivenByUserEvents) {
    const std::string shot = path("shots/fake.png");
    const Transcript t = runScript(R"(verb 2
window "Fake Dialog"
expect ButtonOk caption "OK"
select ListBoxFileList "a.pas" "c.pas"
deselect ListBoxFileList "a.pas"
select ListBoxFileList "b.pas"
type EditName "x y"
choose ComBoxChoice "Merge"
check CBoxFlag on
check CBoxFlag on
expand TreeVProjects "$/A"
pick TreeVProjects "$/A/B"
expect TreeVProjects selected "$/A/B"
expect ListBoxFileList selected "b.pas|c.pas"
dblclick ListBoxFileList "a.pas"
shot )" + shot + R"(
click ButtonOk
window "Fake"
answer Yes
expect MemoLog items "Chose Merge|Flag on|Double a.pas|Run a.pas name=x y|Done"
dump
click ButtonOk
idle
)",
                                   kFake);
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("window")["caption"].toString(), "Fake Dialog");
    EXPECT_EQ(t.first("window")["class"].toString(), "FormFake");
    EXPECT_EQ(t.first("shot")["file"].toString().toStdString(), shot);
    EXPECT_TRUE(std::filesystem::file_size(shot) > 0);
    const QJsonObject dump = t.first("dump");
    EXPECT_EQ(dump["caption"].toString(), "Fake Dialog");
    bool sawCombo = false;
    for (const QJsonValue& c : dump["controls"].toArray()) {
        const QJsonObject control = c.toObject();
        if (control["name"] == "ComBoxChoice") {
            sawCombo = true;
            EXPECT_EQ(texts(control["items"].toArray()), QStringList({"Replace", "Skip", "Merge"}));
            EXPECT_EQ(texts(control["selected"].toArray()), QStringList({"Merge"}));
        }
        if (control["name"] == "ButtonOk") {
            EXPECT_EQ(control["text"].toString(), "Close");
        }
    }
    EXPECT_TRUE(sawCombo);
}

TEST_F(FakeAddinScriptTest, ClosingTheWindowAndEscapeEndTheVerb) {
    const Transcript t = runScript(R"(verb 2
window "Fake Dialog"
closebox
idle
verb 2
window "Fake Dialog"
key ListBoxFileList Escape
idle
)",
                                   kFake);
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.all("window").size(), 2);
}

TEST_F(FakeAddinScriptTest, AnErrorFromAVerbIsShownAndTheHostGoesOn) {
    const Transcript t =
        runScript("verb 3\nanswer OK\nidle\nverb 0\nanswer Yes\nanswer OK\n", kFake);
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("error")["text"].toString(), "The fake verb failed.");
    EXPECT_EQ(t.first("error")["style"].toInt(), 16);
    EXPECT_EQ(t.all("messagebox").last()["text"].toString(), "Answer 6");
}

TEST_F(FakeAddinScriptTest, AddAndRemoveEditTheProjectAndNotifyTheAddin) {
    const Transcript t = runScript("open " + project + "\nadd " + path("p/New.pas") +
                                       "\nanswer OK\nexpect ProjectFiles items "
                                       "\"Unit1.pas|Unit2.pas|New.pas\"\nremove " +
                                       path("p/Unit1.pas") + "\nanswer OK\n",
                                   kFake);
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("messagebox")["text"].toString().toStdString(), "Added " + path("p/New.pas"));
    EXPECT_EQ(t.first("error")["text"].toString().toStdString(),
              "cannot remove " + path("p/Unit1.pas"));
    const std::string dpr = testenv::TestEnvironment::read(project);
    EXPECT_NE(dpr.find("New in 'New.pas';"), std::string::npos) << dpr;
    EXPECT_EQ(dpr.find("Unit1"), std::string::npos) << dpr;
    EXPECT_TRUE(std::filesystem::exists(path("p/New.pas")));
}

TEST_F(FakeAddinScriptTest, AFailedExpectationExitsOneAndClosesWhatIsOpen) {
    const Transcript t = runScript(R"(verb 2
window "Fake Dialog"
expect ListBoxFileList items "a.pas|b.pas"
click ButtonCancel
)",
                                   kFake);
    EXPECT_EQ(t.exitCode, 1) << t.out << t.err;
    const QJsonObject failure = t.first("failure");
    EXPECT_EQ(failure["line"].toInt(), 3);
    EXPECT_EQ(failure["text"].toString(),
              "ListBoxFileList items is \"a.pas|b.pas|c.pas\", expected \"a.pas|b.pas\"");
    EXPECT_EQ(t.events.last()["type"].toString(), "end");
}

TEST_F(FakeAddinScriptTest, AWindowThatNeverComesExitsTwoAfterTheTimeLimit) {
    const Transcript t = runScript("verb 2\nwindow \"Nothing Like It\"\n", kFake);
    EXPECT_EQ(t.exitCode, 2) << t.out << t.err;
    EXPECT_GE(t.seconds, 9.0);
    EXPECT_LT(t.seconds, 30.0);
    EXPECT_NE(t.first("script-error")["text"].toString().indexOf("Nothing Like It"), -1);
}

TEST_F(FakeAddinScriptTest, ScriptErrorsExitTwo) {
    EXPECT_EQ(runScript("frobnicate\n", kFake).exitCode, 2);
    EXPECT_EQ(runScript("verb 2\nwindow \"Fake Dialog\"\nclick NoSuchButton\n", kFake).exitCode, 2);
    const Transcript unfinished = runScript("verb 2\nwindow \"Fake Dialog\"\n", kFake);
    EXPECT_EQ(unfinished.exitCode, 2);
    EXPECT_EQ(runScript("open " + path("missing.dpr") + "\n", kFake).exitCode, 1);
}

TEST_F(FakeAddinScriptTest, RefusedActionsAreFailedExpectations) {
    std::filesystem::permissions(path("p/Unit1.pas"), std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read);
    const Transcript readOnly = runScript("write " + path("p/Unit1.pas") + " \"x\"\n", kFake);
    EXPECT_EQ(readOnly.exitCode, 1) << readOnly.out;
    EXPECT_EQ(testenv::TestEnvironment::read(path("p/Unit1.pas")), "unit Unit1;\nend.\n");
    EXPECT_EQ(runScript("verb 0\nanswer OK\n", kFake).exitCode, 1); // a Yes/No box
    EXPECT_EQ(runScript("verb 4\n", kFake).exitCode, 1);            // disabled without a project
    EXPECT_EQ(runScript("verb 2\nwindow \"Fake Dialog\"\nselect ListBoxFileList \"z.pas\"\n", kFake)
                  .exitCode,
              1);
}

TEST_F(FakeAddinScriptTest, ALibraryWithoutTheEntryPointLeavesTheHostWithoutMenu) {
    const Transcript t = runScript("menu\nopen " + project + "\n", QM_FAKE_ADDIN_NOINIT);
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_NE(t.first("error")["text"].toString().indexOf("does not export INITVCS0013"), -1);
    EXPECT_TRUE(t.first("menu")["entries"].toArray().isEmpty());
    EXPECT_EQ(runScript("verb 0\n", QM_FAKE_ADDIN_NOINIT).exitCode, 1);
}

TEST_F(FakeAddinScriptTest, AnEntryPointThatThrowsIsReportedWithItsMessage) {
    const Transcript t = runScript("menu\n", QM_FAKE_ADDIN_THROWS);
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_NE(t.first("error")["text"].toString().indexOf("The fake add-in refuses to start."), -1);
    const Transcript missing = runScript("menu\n", path("nowhere/libnothing.so"));
    EXPECT_NE(missing.first("error")["text"].toString().indexOf("Cannot load the add-in"), -1);
}

} // namespace

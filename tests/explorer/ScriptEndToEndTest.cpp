// ssexp.exe --script end to end: the real program, the real server, a fresh database; each
// outcome is checked afterwards with the ss tool.
#include "ExplorerFixture.h"
#include "ScriptHarness.h"

#include <QJsonArray>

namespace {

namespace fs = std::filesystem;

// The test's user has no working folder in $/Other (Admin filled it).
class ScriptEndToEndTest : public ExplorerFixture {
protected:
    void SetUp() override {
        ExplorerFixture::SetUp();
        fillOtherAsAdmin({{"one.txt", "one\n"}, {"Deep/two.txt", "two\n"}});
    }
    Transcript run(const std::string& script) {
        const Transcript t = runHost({QM_SSEXP_PATH, "--script", "-"}, script);
        EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
        EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
        return t;
    }
    // The first cells of a dumped list control.
    static QStringList firstCells(const Transcript& t, const QString& control) {
        QStringList cells;
        for (const QJsonValue& c : t.first("dump")["controls"].toArray())
            if (c["name"].toString() == control)
                for (const QJsonValue& item : c["items"].toArray())
                    cells.append(item.toString().section(u'\t', 0, 0));
        return cells;
    }
};

TEST_F(ScriptEndToEndTest, BrowsesToAProjectAndListsWhatSsLists) {
    const Transcript t = run(R"(expect TreeVProjects selected "$"
pick TreeVProjects "$/Demo/Sub"
expect FileList columns "Name|User|Date|Check-out folder"
dump
)");
    EXPECT_EQ(firstCells(t, "FileList"), QStringList({"c.pas"}));
    EXPECT_TRUE(contains(ssOut({"dir", "$/Demo/Sub"}), "c.pas"));
}

TEST_F(ScriptEndToEndTest, ChecksAFileOutAndInWithAComment) {
    const std::string file = (work / "Demo" / "a.pas").string();
    const Transcript t = run(R"(pick TreeVProjects "$/Demo"
select FileList "a.pas"
action ActionCheckOut
window "Check Out"
type MemoComment "taking it"
click ButtonOk
click ButtonOk
idle
write )" + file + R"( "unit a; { from the explorer }\n"
select FileList "a.pas"
action "Check In..."
window "Check In Files"
expect ListBoxFileList selected "a.pas"
type MemoComment "explorer fix"
click ButtonOk
expect MemoLog items "Checking In )" +
                             file + R"("
click ButtonOk
idle
)");
    EXPECT_EQ(t.all("window").size(), 2);
    EXPECT_EQ(ssOut({"cat", "$/Demo/a.pas"}), "unit a; { from the explorer }\n");
    EXPECT_TRUE(contains(ssOut({"history", "$/Demo/a.pas"}), "explorer fix"));
    EXPECT_FALSE(contains(ssOut({"status", "$/Demo"}), "a.pas"));
}

TEST_F(ScriptEndToEndTest, GetsAProjectRecursivelyIntoANewFolder) {
    const fs::path target = env.root() / "new" / "Other";
    run(R"(pick TreeVProjects "$/Other"
action ActionGetLatest
window "Get Latest Version"
type EditFolder ")" +
        target.string() + R"("
click ButtonOk
idle
expect StatusMessage text "Got 2 of 2 files of $/Other."
)");
    EXPECT_EQ(testenv::TestEnvironment::read(target / "one.txt"),
              ssOut({"cat", "$/Other/one.txt"}));
    EXPECT_EQ(testenv::TestEnvironment::read(target / "Deep" / "two.txt"),
              ssOut({"cat", "$/Other/Deep/two.txt"}));
}

TEST_F(ScriptEndToEndTest, DeletesAndRecoversAFile) {
    run(R"(pick TreeVProjects "$/Demo"
select FileList "b.pas"
action ActionDelete
answer Yes
idle
expect StatusMessage text "Deleted $/Demo/b.pas."
)");
    EXPECT_FALSE(contains(ssOut({"dir", "$/Demo"}), "b.pas"));
    run(R"(pick TreeVProjects "$/Demo"
action "Show Deleted Items"
select FileList "b.pas"
action ActionRecover
expect StatusMessage text "Recovered $/Demo/b.pas."
)");
    EXPECT_TRUE(contains(ssOut({"dir", "$/Demo"}), "b.pas"));
}

TEST_F(ScriptEndToEndTest, SharesAFileIntoAnotherProject) {
    run(R"(pick TreeVProjects "$/Other"
action ActionShare
window "Share With $/Other"
pick TreeVProjects "$/Demo"
select ListBoxFiles "a.pas"
click ButtonShare
answer Yes
click ButtonClose
idle
)");
    EXPECT_TRUE(contains(ssOut({"dir", "$/Other"}), "a.pas"));
}

TEST_F(ScriptEndToEndTest, ShowsAFilesHistory) {
    env.ss({"checkout", "$/Demo/a.pas"});
    env.write(work / "Demo" / "a.pas", "unit a; { second }\n");
    env.ss({"checkin", "$/Demo/a.pas", "-c", "second"});
    const Transcript t = run(R"(pick TreeVProjects "$/Demo"
select FileList "a.pas"
action ActionHistory
window "Show History"
expect ListViewHistory columns "Version|User|Date|Action"
dump
click ButtonClose
idle
)");
    EXPECT_EQ(firstCells(t, "ListViewHistory"), QStringList({"2", "1"}));
    const std::string history = ssOut({"history", "$/Demo/a.pas"});
    EXPECT_EQ(history.rfind("2  ", 0), 0u) << history;
}

TEST_F(ScriptEndToEndTest, AWrongPasswordIsAskedAgain) {
    env.ss({"adduser", "ann", "--password-stdin"}, "secret\n", true, "Admin");
    const Transcript t = runHost({QM_SSEXP_PATH, "--user", "ann", "--script", "-"},
                                 R"(window "SourceSafe Password"
type EditPassword "nope"
click ButtonOk
window "SourceSafe Password"
expect LabelPrompt text "Wrong password. Password for ann:"
type EditPassword "secret"
click ButtonOk
expect StatusUser text "User: ann"
)");
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.all("window").size(), 2);
}

TEST_F(ScriptEndToEndTest, ADatabaseThatCannotBeOpenedIsSaidInAMessageBox) {
    const std::string missing = (env.root() / "missing").string();
    const Transcript t = runHost({QM_SSEXP_PATH, "--db", missing, "--script", "-"}, "answer OK\n");
    EXPECT_EQ(t.exitCode, 0) << t.out << t.err;
    const QJsonObject box = t.first("messagebox");
    EXPECT_TRUE(box["text"].toString().startsWith(
        QString::fromStdString("Cannot open the SourceSafe database " + missing)))
        << t.out;
    EXPECT_EQ(box["caption"].toString(), "SourceSafe Explorer");
}

} // namespace

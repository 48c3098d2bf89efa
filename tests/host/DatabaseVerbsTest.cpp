// The history, differences, options and about verbs of the real add-in in the real host,
// against a fresh database and registry.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>

#include <QJsonArray>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class DatabaseVerbsTest : public AddinEndToEndTest {
protected:
    void arrange() override {
        demoUnderControl({"Unit1"});
        bind("$/Demo");
    }
    std::string unit1() const { return (work / "Unit1.pas").string(); }
    Transcript run(const std::string& script) {
        return runWithAddin("open " + dpr.string() + "\nedit " + unit1() + "\n" + script);
    }
    // Makes the local copy writable (as a check-out would) and gives it new content.
    void editLocally(const std::string& text) {
        fs::permissions(unit1(), fs::perms::owner_write, fs::perm_options::add);
        env.write(unit1(), text);
    }
};

TEST_F(DatabaseVerbsTest, AboutShowsTheHostVersion) {
    const Transcript t = run(R"(verb 14
window "About"
expect LabelName text "Quillmoor"
expect LabelDelphiVersion text "3"
expect LabelVssVersion text "5.0"
click ButtonOk
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("window")["class"].toString(), "FormAbout");
}

// "Skip" for writable files lets the next check-out keep a changed local copy.
TEST_F(DatabaseVerbsTest, AChangedOptionTakesEffectInTheNextCheckOut) {
    editLocally("unit Unit1;\n// mine\nend.\n");
    const Transcript t = run(R"(verb 13
window "SourceSafe Properites"
expect ComboBoxReplace text "Default"
key PageCProperties Ctrl+Tab
choose ComboBoxReplace "Skip"
click ButtonOk
idle
verb 1
window "Check Out"
select ListBoxFileList "Unit1.pas"
click ButtonOk
expect MemoLog items "Checking out $/Demo/Unit1.pas"
click ButtonOk
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
    const auto stored = reg::readValue(reg::Root::CurrentUser, kOptionsKey, "Replace");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->dword, 192u);
    EXPECT_EQ(testenv::TestEnvironment::read(unit1()), "unit Unit1;\n// mine\nend.\n");
    EXPECT_NE(env.ss({"status"}).out.find("$/Demo/Unit1.pas"), std::string::npos);
}

TEST_F(DatabaseVerbsTest, DifferencesOfTheCurrentFile) {
    editLocally("unit Unit1;\n// changed\nend.\n");
    const Transcript t = run(R"(verb 9
window "Show Differences"
expect LabelStatus text "Change 1 of 1."
expect GridDifferences columns "Line|SourceSafe|Line|Local"
expect GridDifferences items "1\tunit Unit1;\t1\tunit Unit1;|\t\t2\t// changed|2\tend.\t3\tend."
expect GridDifferences selected "\t\t2\t// changed"
click ButtonClose
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_EQ(t.first("window")["class"].toString(), "FormShowDifferences");
}

TEST_F(DatabaseVerbsTest, DifferencesOfAnUnchangedFile) {
    const Transcript t = run(R"(verb 9
window "Show Differences"
expect LabelStatus text "The files are identical."
key GridDifferences Escape
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
}

// The history list read through the script mode, and View of the selected version.
TEST_F(DatabaseVerbsTest, HistoryListsTheVersionsAndViewsOne) {
    env.ss({"checkout", "$/Demo/Unit1.pas"});
    env.write(work / "Unit1.pas", "unit Unit1;\n// two\nend.\n");
    env.ss({"checkin", "$/Demo/Unit1.pas", "-c", "second"});
    env.ss({"label", "$/Demo/Unit1.pas", "Beta"});
    const fs::path record = env.root() / "viewed";
    const fs::path viewer = env.write(env.root() / "viewer.sh",
                                      "#!/bin/sh\ncat \"$1\" >> \"" + record.string() + "\"\n");
    fs::permissions(viewer, fs::perms::owner_exec, fs::perm_options::add);
    reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "Viewer",
                    reg::Value::fromString(viewer.string()));

    const Transcript t = run(R"(verb 8
window "Show History"
expect ListViewHistory columns "Version|User|Date|Action"
dump
select ListViewHistory "1"
click ButtonView
dblclick ListViewHistory "2"
key ListViewHistory Escape
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;
    const QJsonObject dump = t.first("dump");
    QStringList rows;
    for (const QJsonValue& control : dump["controls"].toArray())
        if (control.toObject()["name"].toString() == "ListViewHistory")
            for (const QJsonValue& row : control.toObject()["items"].toArray())
                rows << row.toString();
    ASSERT_EQ(rows.size(), 3) << t.out;
    const QString me = QString::fromStdString(testenv::TestEnvironment::currentUser());
    const QStringList expected = {"3|" + me + "|Label: \"Beta\"",
                                  "2|" + me + "|Checked in $/Demo/Unit1.pas",
                                  "1|" + me + "|Created"};
    for (int r = 0; r < 3; ++r) {
        const QStringList cells = rows[r].split('\t');
        ASSERT_EQ(cells.size(), 4) << rows[r].toStdString();
        EXPECT_EQ(QStringList({cells[0], cells[1], cells[3]}).join('|'), expected[r]);
        EXPECT_FALSE(cells[2].isEmpty());
    }
    // The viewers run detached and append what they were given, in either order.
    const std::string first = "unit Unit1;\nend.\n";
    const std::string second = "unit Unit1;\n// two\nend.\n";
    std::string viewed;
    for (int i = 0; i < 200 && viewed.size() < first.size() + second.size(); ++i) {
        QThread::msleep(50);
        viewed = fs::exists(record) ? testenv::TestEnvironment::read(record) : std::string();
    }
    EXPECT_TRUE(viewed == first + second || viewed == second + first) << viewed;
}

} // namespace

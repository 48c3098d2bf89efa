// The real add-in in the real host, against a fresh database and registry: the menu, a
// check-out / edit / check-in cycle through the dialogs, and a question answered No.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class EndToEndTest : public AddinEndToEndTest {
protected:
    void arrange() override { demoUnderControl({"Unit1", "Unit2"}); }
    void bind() { AddinEndToEndTest::bind("$/Demo"); }
};

TEST_F(EndToEndTest, MenuStatesBeforeAndAfterBinding) {
    const Transcript t =
        runWithAddin("open " + dpr.string() + "\nmenu\nwrite " + file("Delphi.Vss") +
                     " \"$/Demo\\r\\n\"\nclose-project\nopen " + dpr.string() + "\nmenu\n");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const auto menus = t.all("menu");
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]["name"].toString(), "S&ource Safe");
    const QJsonArray entries = menus[0]["entries"].toArray();
    ASSERT_EQ(entries.size(), 15);
    EXPECT_EQ(entries[1].toObject()["text"].toString(), "Check &Out...");
    EXPECT_EQ(entries[8].toObject()["text"].toString(), "Show &Hisotry...");
    // Unbound: only adding, the separators, (explorer and options) and About.
    const QList<int> unbound = menuStates(menus[0]);
    EXPECT_EQ(unbound.mid(0, 4), QList<int>({0, 0, 0, 0}));
    EXPECT_EQ(unbound[5], 1);
    EXPECT_EQ(unbound[6], 0);
    EXPECT_EQ(unbound[14], 1);
    const QList<int> bound = menuStates(menus[1]);
    EXPECT_EQ(bound.mid(0, 4), QList<int>({1, 1, 1, 1}));
    EXPECT_EQ(bound[6], 1);
    EXPECT_EQ(bound[10], 1);
    EXPECT_EQ(bound[8], 0); // no current file
}

TEST_F(EndToEndTest, CheckOutEditCheckInThroughTheDialogs) {
    bind();
    const std::string unit1 = file("Unit1.pas");
    const Transcript t = runWithAddin("open " + dpr.string() + "\nedit " + unit1 + R"(
verb 1
window "Check Out"
expect ListBoxFileList selected "Unit1.pas"
type MemoComment "first change"
click ButtonOk
expect MemoLog items "Checking out $/Demo/Unit1.pas"
expect ButtonOk caption "Close"
click ButtonOk
idle
write )" + unit1 + R"( "unit Unit1;\n// changed\nend.\n"
verb 2
window "Check In Files"
expect ListBoxFileList items "Unit1.pas"
expect ListBoxFileList selected "Unit1.pas"
type MemoComment "second change"
click ButtonOk
expect MemoLog items "Checking In )" + unit1 +
                                      R"("
click ButtonOk
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const auto windows = t.all("window");
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]["caption"].toString(), "Check Out");
    EXPECT_EQ(windows[1]["caption"].toString(), "Check In Files");
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;

    EXPECT_EQ(env.ss({"cat", "$/Demo/Unit1.pas"}).out, "unit Unit1;\n// changed\nend.\n");
    const std::string history = env.ss({"history", "$/Demo/Unit1.pas"}).out;
    EXPECT_NE(history.find("second change"), std::string::npos) << history;
    EXPECT_EQ(fs::status(unit1).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(EndToEndTest, RemovingAUnitFromABoundProjectAsksAndNoKeepsItUnderControl) {
    bind();
    const Transcript t = runWithAddin("open " + dpr.string() + "\nremove " + file("Unit2.pas") +
                                      "\nanswer No\nexpect ProjectFiles items \"Unit1.pas\"\n");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const QJsonObject box = t.first("messagebox");
    EXPECT_EQ(box["text"].toString(), "Would you like to remove this file from source control?");
    EXPECT_EQ(box["caption"].toString(), "Source Safe");
    EXPECT_EQ(box["style"].toInt(), 36);
    EXPECT_EQ(box["answer"].toString(), "No");
    EXPECT_TRUE(t.all("window").isEmpty()) << t.out; // no remove dialog after No
    EXPECT_EQ(testenv::TestEnvironment::read(dpr).find("Unit2"), std::string::npos);
    EXPECT_NE(env.ss({"dir", "$/Demo"}).out.find("Unit2.pas"), std::string::npos);
}

} // namespace

// The real add-in in the real host, against a fresh database and registry: the menu, a
// check-out / edit / check-in cycle through the dialogs, and a question answered No.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>

#include <QJsonArray>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr char kOptionsKey[] = "Software\\Borland\\Delphi\\3.0\\Version Control";

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testenv::addinLibrary().empty() || !fs::exists(testenv::addinLibrary()))
            GTEST_SKIP() << "libquillmoor.so is not built";
        env.createDatabase("Main");
        env.ss({"register", "--name", "Main", "--current"});
        // No questions when a project is opened or left.
        reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "GetOnOpen", reg::Value::fromDword(0));
        reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "CheckOnClose",
                        reg::Value::fromDword(0));
        work = env.root() / "work";
        env.write(work / "Unit1.pas", "unit Unit1;\nend.\n");
        env.write(work / "Unit2.pas", "unit Unit2;\nend.\n");
        dpr = env.write(work / "Demo.dpr", "program Demo;\n\nuses\n  Unit1 in 'Unit1.pas',\n"
                                           "  Unit2 in 'Unit2.pas';\n\nbegin\nend.\n");
        env.ss({"mkproj", "$/Demo"});
        env.ss({"workfold", "$/Demo", work.string()});
        env.ss({"add", "$/Demo", (work / "Unit1.pas").string(), (work / "Unit2.pas").string()});
    }
    void bind() { env.write(work / "Delphi.Vss", "$/Demo\r\n"); }
    std::string file(const std::string& name) const { return (work / name).string(); }

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

TEST_F(EndToEndTest, MenuStatesBeforeAndAfterBinding) {
    const Transcript t =
        runScript("open " + dpr.string() + "\nmenu\nwrite " + file("Delphi.Vss") +
                      " \"$/Demo\\r\\n\"\nclose-project\nopen " + dpr.string() + "\nmenu\n",
                  testenv::addinLibrary().string());
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const auto menus = t.all("menu");
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]["name"].toString(), "S&ource Safe");
    const QJsonArray entries = menus[0]["entries"].toArray();
    ASSERT_EQ(entries.size(), 15);
    EXPECT_EQ(entries[1].toObject()["text"].toString(), "Check &Out...");
    EXPECT_EQ(entries[8].toObject()["text"].toString(), "Show &Hisotry...");
    // Unbound: only adding, the separators, (explorer and options) and About.
    const QList<int> unbound = states(menus[0]);
    EXPECT_EQ(unbound.mid(0, 4), QList<int>({0, 0, 0, 0}));
    EXPECT_EQ(unbound[5], 1);
    EXPECT_EQ(unbound[6], 0);
    EXPECT_EQ(unbound[14], 1);
    const QList<int> bound = states(menus[1]);
    EXPECT_EQ(bound.mid(0, 4), QList<int>({1, 1, 1, 1}));
    EXPECT_EQ(bound[6], 1);
    EXPECT_EQ(bound[10], 1);
    EXPECT_EQ(bound[8], 0); // no current file
}

TEST_F(EndToEndTest, CheckOutEditCheckInThroughTheDialogs) {
    bind();
    const std::string unit1 = file("Unit1.pas");
    const Transcript t = runScript("open " + dpr.string() + "\nedit " + unit1 + R"(
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
)",
                                   testenv::addinLibrary().string());
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
    const Transcript t = runScript("open " + dpr.string() + "\nremove " + file("Unit2.pas") +
                                       "\nanswer No\nexpect ProjectFiles items \"Unit1.pas\"\n",
                                   testenv::addinLibrary().string());
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

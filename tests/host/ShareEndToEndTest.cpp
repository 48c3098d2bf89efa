// The share verb in the real host: a file of another project is shared into the bound one,
// checked out and in through it, and the other project's file carries the new version.
#include "ScriptHarness.h"
#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class ShareEndToEndTest : public AddinEndToEndTest {
protected:
    void arrange() override {
        demoUnderControl({"Unit1"});
        env.ss({"mkproj", "$/Lib"});
        env.ss(
            {"add", "$/Lib", env.write(env.root() / "lib" / "Util.pas", "unit Util;\n").string()});
        bind("$/Demo");
    }
};

TEST_F(ShareEndToEndTest, ASharedFileCheckedInThroughTheBoundProjectIsNewInTheOther) {
    const std::string util = (work / "Util.pas").string();
    const Transcript t = runWithAddin("open " + dpr.string() + R"(
verb 10
window "Share With $/Demo"
expect LabelProject caption "$/"
pick TreeVProjects "$/Lib"
expect ListBoxFiles items "Util.pas"
select ListBoxFiles "Util.pas"
expect ButtonView enabled "true"
expect CBoxRecursive enabled "false"
click ButtonShare
answer Yes
expect MemoLog items "Shared $/Lib/Util.pas with $/Demo"
click ButtonClose
idle
verb 1
window "Check Out"
select ListBoxFileList "Util.pas"
type MemoComment "through Demo"
click ButtonOk
expect MemoLog items "Checking out $/Demo/Util.pas"
click ButtonOk
idle
write )" + util + R"( "unit Util;\n// shared and changed\n"
verb 2
window "Check In Files"
expect ListBoxFileList items "Util.pas"
select ListBoxFileList "Util.pas"
type MemoComment "changed through Demo"
click ButtonOk
click ButtonOk
idle
)");
    ASSERT_EQ(t.exitCode, 0) << t.out << t.err;
    const QJsonObject box = t.first("messagebox");
    EXPECT_EQ(box["text"].toString(), "Do you want to share selected files with $/Demo ?");
    EXPECT_EQ(box["style"].toInt(), 36);
    EXPECT_TRUE(t.all("error").isEmpty()) << t.out;

    const std::string history = env.ss({"history", "$/Lib/Util.pas"}).out;
    EXPECT_EQ(history.rfind("2  ", 0), 0u) << history; // newest first: version 2
    EXPECT_NE(history.find("changed through Demo"), std::string::npos) << history;
    EXPECT_EQ(env.ss({"cat", "$/Lib/Util.pas"}).out, "unit Util;\n// shared and changed\n");
}

} // namespace

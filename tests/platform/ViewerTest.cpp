#include <system/System.h>
#include <system/Viewer.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace sys;
namespace fs = std::filesystem;
using Argv = std::vector<std::string>;

class ViewerTest : public ::testing::Test {
protected:
    fs::path folder() const { return dir_.path().toStdString(); }

    // A viewer that writes its arguments, one a line, to `out`.
    fs::path recordingViewer(const std::string& name, const fs::path& out) const {
        const fs::path script = folder() / name;
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                              << out.string() << ".part'\nmv '" << out.string() << ".part' '"
                              << out.string() << "'\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    static std::string waitForText(const fs::path& file) {
        for (int i = 0; i < 500 && !fs::exists(file); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::stringstream text;
        text << std::ifstream(file).rdbuf();
        return text.str();
    }

    QTemporaryDir dir_;
};

TEST_F(ViewerTest, CommandIsSplitUnlessTheWholeTextIsAProgram) {
    const fs::path withBlanks = folder() / "My Tools" / "view er";
    fs::create_directories(withBlanks.parent_path());
    std::ofstream(withBlanks) << "#!/bin/sh\n";
    fs::permissions(withBlanks, fs::perms::owner_all);
    const fs::path notExecutable = folder() / "plain viewer";
    std::ofstream(notExecutable) << "x";
    const fs::path file = "/tmp/a b/VssTmp0.pas";

    const struct {
        std::string viewer;
        Argv expected;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"\"\"", {}},
        {"less", {"less", file.string()}},
        {"emacs -nw", {"emacs", "-nw", file.string()}},
        {"\"/opt/My Tools/view\" --ro", {"/opt/My Tools/view", "--ro", file.string()}},
        {withBlanks.string(), {withBlanks.string(), file.string()}},
        {notExecutable.string(), {folder().string() + "/plain", "viewer", file.string()}},
        {folder().string(), {folder().string(), file.string()}}, // a folder is no program
    };
    for (const auto& c : cases)
        EXPECT_EQ(viewerCommand(c.viewer, file), c.expected) << "viewer: " << c.viewer;
}

TEST_F(ViewerTest, StartsTheViewerWithThePathAsOneArgument) {
    const fs::path out = folder() / "args";
    const fs::path viewer = recordingViewer("record", out);
    const fs::path file = folder() / "a folder" / "VssTmp7.txt";
    startViewer("\"" + viewer.string() + "\" -x \"two words\"", file);
    EXPECT_EQ(waitForText(out), "-x\ntwo words\n" + file.string() + "\n");
}

TEST_F(ViewerTest, AnExecutableNamedWithBlanksRunsAsIs) {
    const fs::path out = folder() / "args";
    const fs::path viewer = recordingViewer("record -x with blanks", out);
    const fs::path file = folder() / "VssTmp1.txt";
    startViewer(viewer.string(), file);
    EXPECT_EQ(waitForText(out), file.string() + "\n");
}

TEST_F(ViewerTest, NoProgramOrAMissingOneIsAFailure) {
    for (const std::string viewer : {"", "  ", "quillmoor-no-such-viewer --flag"})
        EXPECT_THROW(startViewer(viewer, folder() / "f.txt"), SystemError) << viewer;
}

} // namespace

#include <system/CaseFold.h>
#include <system/HexDigit.h>
#include <system/System.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

namespace {

using namespace sys;
namespace fs = std::filesystem;

class SystemTest : public ::testing::Test {
protected:
    fs::path folder() const { return dir_.path().toStdString(); }
    fs::path touch(const std::string& name) const {
        std::ofstream(folder() / name) << "x";
        return folder() / name;
    }

    static bool waitFor(const fs::path& file) {
        for (int i = 0; i < 500; ++i) {
            if (fs::exists(file))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    QTemporaryDir dir_;
};

TEST_F(SystemTest, StartsAProgramWithoutAShellAndLeavesNoChild) {
    startProcess({"true"});
    // The started program runs in a folder of our choosing, with its arguments as given.
    startProcess({"touch", "made by child; not a shell"}, folder());
    EXPECT_TRUE(waitFor(folder() / "made by child; not a shell"));
    // Nothing is left for this process to reap: no zombie, no child.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(SystemTest, StartFailuresAreRaisedWithTheReason) {
    try {
        startProcess({"quillmoor-no-such-program"});
        ADD_FAILURE() << "no SystemError";
    } catch (const SystemError& e) {
        const std::string text = e.what();
        // The reason is the system's: usually "No such file or directory", but a PATH folder
        // this user may not search gives "Permission denied".
        const std::string prefix = "Cannot start quillmoor-no-such-program: ";
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
        EXPECT_GT(text.size(), prefix.size()) << text;
    }
    const fs::path notExecutable = touch("plain.txt");
    EXPECT_THROW(startProcess({notExecutable.string()}), SystemError);
    EXPECT_THROW(startProcess({"true"}, folder() / "missing"), SystemError);
    EXPECT_THROW(startProcess({}), SystemError);
    EXPECT_THROW(openWithAssociatedProgram(folder() / "missing.txt"), SystemError);
}

TEST_F(SystemTest, ReadOnlyAttributeRoundTrips) {
    const fs::path file = touch("file.pas");
    EXPECT_FALSE(fileAttributes(file).readOnly);
    setReadOnly(file, true);
    EXPECT_TRUE(fileAttributes(file).readOnly);
    EXPECT_EQ(fs::status(file).permissions() &
                  (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
              fs::perms::none);
    setReadOnly(file, false);
    EXPECT_FALSE(fileAttributes(file).readOnly);
    EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);

    EXPECT_TRUE(fileAttributes(touch(".hidden")).hidden);
    EXPECT_FALSE(fileAttributes(file).hidden);
    EXPECT_TRUE(fileAttributes(folder()).directory);
    EXPECT_THROW(fileAttributes(folder() / "missing"), SystemError);
    EXPECT_THROW(setReadOnly(folder() / "missing", true), SystemError);
}

TEST_F(SystemTest, ListsOnlyPlainFiles) {
    touch("a.pas");
    touch("b.dfm");
    fs::create_directory(folder() / "sub");
    fs::create_symlink(folder() / "sub", folder() / "link-to-sub");
    std::vector<std::string> names = listPlainFiles(folder());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.pas", "b.dfm"}));
    EXPECT_TRUE(listPlainFiles(folder() / "sub").empty());
    EXPECT_THROW(listPlainFiles(folder() / "missing"), SystemError);
}

TEST_F(SystemTest, LogonNameAndTemporaryFolder) {
    EXPECT_FALSE(logonName().empty());
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", folder().c_str(), 1);
    EXPECT_EQ(tempFolder(), folder());
    ::unsetenv("TMPDIR");
    EXPECT_EQ(tempFolder(), fs::path("/tmp"));
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
}

TEST(CaseFoldTest, BytesThatAreNotUtf8AreKeptAsTheyAre) {
    const struct {
        std::string text;
        std::string folded;
    } cases[] = {
        {"A\xFF", "a\xFF"},                 // a stray byte
        {"\xC3", "\xC3"},                   // a sequence cut short at the end
        {"\xC3(\xC3\x89", "\xC3(\xC3\xA9"}, // cut short before an "É" that still folds
        {"\xC1\x81", "\xC1\x81"},           // an overlong "A" is not an "A"
        {"\xED\xA0\x80", "\xED\xA0\x80"},   // a surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(foldCase(c.text), c.folded) << c.text;
    EXPECT_NE(foldCase("\xFE.txt"), foldCase("\xFF.txt"));
}

TEST(HexDigitTest, ReadsBothCasesAndRejectsTheirNeighbours) {
    const struct {
        char c;
        int value;
    } cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'f', 15},  {'A', 10},
                 {'F', 15}, {'/', -1}, {':', -1}, {'`', -1},  {'g', -1},
                 {'@', -1}, {'G', -1}, {' ', -1}, {'\0', -1}, {'\xC3', -1}};
    for (const auto& c : cases)
        EXPECT_EQ(hexDigitValue(c.c), c.value) << static_cast<int>(c.c);
}

} // namespace

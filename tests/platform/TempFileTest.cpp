#include <system/System.h>
#include <system/TempFile.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using namespace sys;
namespace fs = std::filesystem;

class TempFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        hadTmpDir_ = old != nullptr;
        if (hadTmpDir_)
            oldTmpDir_ = old;
        ::setenv("TMPDIR", dir_.path().toLocal8Bit().constData(), 1);
    }
    void TearDown() override {
        if (hadTmpDir_)
            ::setenv("TMPDIR", oldTmpDir_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

    fs::path privateFolder() const {
        return fs::path(dir_.path().toStdString()) / ("quillmoor-" + std::to_string(::geteuid()));
    }
    static unsigned mode(const fs::path& path) {
        struct stat status {};
        EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
        return status.st_mode & 07777;
    }

    QTemporaryDir dir_;
    bool hadTmpDir_ = false;
    std::string oldTmpDir_;
};

TEST_F(TempFileTest, CreatesNumberedPrivateFiles) {
    const fs::path first = createTempFile("VssTmp", ".pas");
    EXPECT_EQ(first, privateFolder() / "VssTmp0.pas");
    EXPECT_EQ(mode(privateFolder()), 0700u);
    EXPECT_EQ(mode(first), 0600u);
    EXPECT_EQ(fs::file_size(first), 0u);
    // The earlier file stays; the next one takes the next free number.
    EXPECT_EQ(createTempFile("VssTmp", ".pas"), privateFolder() / "VssTmp1.pas");
    EXPECT_EQ(createTempFile("VssTmp", ""), privateFolder() / "VssTmp0");
    EXPECT_TRUE(fs::exists(first));
}

TEST_F(TempFileTest, APlantedLinkIsNeverFollowed) {
    fs::create_directory(privateFolder());
    const fs::path target = fs::path(dir_.path().toStdString()) / "victim";
    std::ofstream(target) << "precious";
    fs::create_symlink(target, privateFolder() / "VssTmp0.txt");
    fs::create_symlink(fs::path(dir_.path().toStdString()) / "nowhere",
                       privateFolder() / "VssTmp1.txt");

    EXPECT_EQ(createTempFile("VssTmp", ".txt"), privateFolder() / "VssTmp2.txt");
    std::stringstream text;
    text << std::ifstream(target).rdbuf();
    EXPECT_EQ(text.str(), "precious");
    EXPECT_FALSE(fs::exists(fs::path(dir_.path().toStdString()) / "nowhere"));
}

TEST_F(TempFileTest, ALongerRandomNameWhenAllNumbersAreTaken) {
    fs::create_directory(privateFolder());
    for (int number = 0; number < 100; ++number)
        std::ofstream(privateFolder() / ("VssTmp" + std::to_string(number) + ".dfm")) << "";
    const fs::path file = createTempFile("VssTmp", ".dfm");
    const std::string name = file.filename().string();
    EXPECT_EQ(file.parent_path(), privateFolder());
    EXPECT_TRUE(name.starts_with("VssTmp") && name.ends_with(".dfm")) << name;
    EXPECT_GE(name.size(), std::string("VssTmp1234567890.dfm").size()) << name;
    EXPECT_EQ(mode(file), 0600u);
}

TEST_F(TempFileTest, TheFolderMustBeTheUsersOwn) {
    // A loose mode on our own folder is tightened.
    fs::create_directory(privateFolder());
    ::chmod(privateFolder().c_str(), 0777);
    EXPECT_EQ(privateTempFolder(), privateFolder());
    EXPECT_EQ(mode(privateFolder()), 0700u);
    // A link or a file in its place is refused, and nothing is created through it.
    fs::remove(privateFolder());
    const fs::path elsewhere = fs::path(dir_.path().toStdString()) / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, privateFolder());
    EXPECT_THROW(createTempFile("VssTmp", ".txt"), SystemError);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    fs::remove(privateFolder());
    std::ofstream(privateFolder()) << "";
    EXPECT_THROW(privateTempFolder(), SystemError);
}

} // namespace

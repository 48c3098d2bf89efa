#include "TVcs.h"

#include "UnitVssInterface.h"

#include "FakeHost.h"
#include "FakeVss.h"
#include "TestEnvironment.h"

#include <ui/ScriptedDriver.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class BindingFileTest : public ::testing::Test {
protected:
    void SetUp() override { client = new TVcsManager(&host); }
    void TearDown() override {
        ReleaseInterface(client);
        EXPECT_TRUE(driver.problems().empty());
    }

    // Writes the binding file beside a project file and points the host at that project.
    fs::path project(const std::string& folder, const std::string& content,
                     const std::string& projectFile = "Demo.dpr") {
        env.write(fs::path(folder) / kBindingFileName, content);
        host.projectName = (env.root() / folder / projectFile).string();
        return env.root() / folder;
    }
    std::string binding() { return client->ReadProjectBinding(); }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
    testenv::FakeHost host;
    TVcsManager* client = nullptr;
};

TEST_F(BindingFileTest, TakesTheWholeFirstLineOnly) {
    project("Demo", "  $/Proj With Spaces/Src \t\r\n$/Second\r\n");
    EXPECT_EQ(binding(), "  $/Proj With Spaces/Src \t");

    project("Demo", "$/Unix\nsecond\n");
    EXPECT_EQ(binding(), "$/Unix");

    project("Demo", "$/NoLineEnd");
    EXPECT_EQ(binding(), "$/NoLineEnd");
}

TEST_F(BindingFileTest, EmptyOrMissingFileGivesNoBinding) {
    project("Demo", "");
    EXPECT_EQ(binding(), "");

    host.projectName = (env.root() / "Other" / "Demo.dpr").string();
    EXPECT_EQ(binding(), "");

    host.projectName = "";
    EXPECT_EQ(binding(), "");
}

TEST_F(BindingFileTest, ProjectNameWithoutAFolderGivesNoBinding) {
    const fs::path folder = project("Here", "$/Proj\r\n");
    const fs::path saved = fs::current_path();
    fs::current_path(folder);
    host.projectName = "Demo.dpr";
    const std::string result = binding();
    fs::current_path(saved);
    EXPECT_EQ(result, "");
}

TEST_F(BindingFileTest, TwoProjectsInOneFolderShareTheBinding) {
    project("Shared", "$/Shared\r\n", "One.dpr");
    const std::string first = binding();
    project("Shared", "$/Shared\r\n", "Two.dpr");
    EXPECT_EQ(first, "$/Shared");
    EXPECT_EQ(binding(), "$/Shared");
}

TEST_F(BindingFileTest, BinaryHugeAndOddFilesNeverFail) {
    std::string binary;
    for (std::size_t i = 0; i < 200 * 1024; ++i) {
        const char c = static_cast<char>(i % 256);
        binary += (c == '\n' || c == '\r') ? '\0' : c;
    }
    project("Binary", binary);
    EXPECT_EQ(binding(), ""); // no line end within any sensible length

    project("Huge", "$/Huge\r\n" + std::string(8 * 1024 * 1024, 'y'));
    EXPECT_EQ(binding(), "$/Huge");

    fs::create_directories(env.root() / "Dir" / kBindingFileName);
    host.projectName = (env.root() / "Dir" / "Demo.dpr").string();
    EXPECT_EQ(binding(), "");
}

TEST_F(BindingFileTest, ProjectChangeHandsTheBindingToTheConnection) {
    server->addProject("$/Proj");
    project("Demo", "$/Proj\r\n");

    client->ProjectChange();

    EXPECT_TRUE(client->vssInterface().IsProjectBound());
    EXPECT_EQ(client->vssInterface().projectBinding(), "$/Proj");

    host.projectName.clear();
    client->ProjectChange();
    EXPECT_FALSE(client->vssInterface().IsProjectBound());
    EXPECT_EQ(client->vssInterface().projectBinding(), "");
}

} // namespace

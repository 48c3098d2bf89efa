// The built add-in as the host sees it: loaded with dlopen, entered through its one export, and
// driven against a real database made by the server's tool.
#include "ToolIntf.h"

#include "FakeHost.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <set>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

class AddinLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = dlopen(testenv::addinLibrary().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        init = reinterpret_cast<TVCSManagerInitProc>(dlsym(library, kVcsInitSymbol));
        ASSERT_NE(init, nullptr) << dlerror();
    }
    void TearDown() override {
        if (library != nullptr) {
            EXPECT_EQ(dlclose(library), 0) << dlerror();
        }
    }

    std::set<int> enabledVerbs(TIVCSClient& client) {
        std::set<int> enabled;
        for (int verb = 0; verb < client.GetVerbCount(); ++verb)
            if (client.GetVerbState(verb) == vsEnabled)
                enabled.insert(verb);
        return enabled;
    }

    testenv::TestEnvironment env;
    testenv::FakeHost host;
    void* library = nullptr;
    TVCSManagerInitProc init = nullptr;
};

TEST_F(AddinLibraryTest, ExportsOnlyTheEntryPoint) {
    EXPECT_EQ(dlsym(library, "_ZN11TVcsManager11GetIDStringB5cxx11Ev"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN12TVssRegistryC1Ev"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN12TVssRegistryC2Ev"), nullptr);
}

TEST_F(AddinLibraryTest, DrivesARealDatabaseAndReleasesCleanly) {
    env.createDatabase("Main");
    env.ss({"mkproj", "$/Demo"});
    const fs::path unit = env.write("Demo/Unit1.pas", "unit Unit1;\n");
    env.ss({"add", "$/Demo", unit.string()});
    env.write("Demo/Delphi.Vss", "$/Demo\r\n");
    host.projectName = (env.root() / "Demo" / "Demo.dpr").string();
    host.currentFile = unit.string();

    TIVCSClient* client = init(&host);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"GetParentHandle", "AddNotifier"}));
    ASSERT_EQ(host.notifiers.size(), 1u);

    EXPECT_EQ(client->GetIDString(), "Talvorenix.VCS");
    EXPECT_EQ(client->GetMenuName(), "S&ource Safe");
    ASSERT_EQ(client->GetVerbCount(), 15);
    EXPECT_EQ(client->GetVerb(0), "&Get Latest Version...");
    EXPECT_EQ(client->GetVerb(14), "A&bout...");
    // Logged in, server path registered, not bound yet.
    EXPECT_EQ(enabledVerbs(*client), (std::set<int>{4, 5, 7, 11, 12, 13, 14}));

    client->ProjectChange();
    std::set<int> all;
    for (int verb = 0; verb < 15; ++verb)
        all.insert(verb);
    EXPECT_EQ(enabledVerbs(*client), all);

    host.currentFile = (env.root() / "Demo" / "Unit2.pas").string();
    EXPECT_EQ(client->GetVerbState(8), 0);

    client->ExecuteVerb(4);
    EXPECT_EQ(client->Release(), 0);
    EXPECT_TRUE(host.notifiers.empty());
    EXPECT_EQ(host.callCount("RemoveNotifier"), 1);
}

TEST_F(AddinLibraryTest, UnregisteredServerGivesNoClient) {
    try {
        TIVCSClient* client = init(&host);
        ReleaseInterface(client);
        FAIL() << "a client without a server";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("is not registered"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(host.notifiers.empty());
}

} // namespace

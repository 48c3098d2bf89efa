#include "TVcs.h"

#include "UnitVssInterface.h"

#include "FakeHost.h"
#include "FakeVss.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <ui/Form.h>
#include <ui/ScriptedDriver.h>

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <utility>

namespace {

using reg::Root;
using reg::Value;
namespace fs = std::filesystem;

// Releases the client at the end of a test unless the test did.
struct ClientRef {
    TVcsManager* client = nullptr;
    ~ClientRef() { ReleaseInterface(client); }
    TVcsManager* operator->() const { return client; }
};

class VcsManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mainWindow.show();
        ui::Application::instance().adoptMainWindow(mainWindow.winId());
    }
    void TearDown() override {
        ui::Application::instance().adoptMainWindow(0);
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    static void setServerPath() {
        reg::writeValue(Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                        Value::fromString("/opt/vss/libsourcesafe.so"));
    }
    void refuseDefaultOpenAndCancelLogin() {
        server->openPolicy = [](const testenv::FakeVssState::OpenCall&) {
            return std::string("No database");
        };
        driver.answer(ui::IDOK);
        driver.drive([](ui::Form& form) { QTest::keyClick(&form, Qt::Key_Escape); });
    }
    // The verbs that report enabled.
    std::set<int> enabledVerbs() {
        std::set<int> enabled;
        for (int verb = 0; verb < 15; ++verb) {
            const std::uint16_t state = client->GetVerbState(verb);
            EXPECT_TRUE(state == 0 || state == 1) << verb << ": " << state;
            if (state != 0)
                enabled.insert(verb);
        }
        return enabled;
    }
    void bindTo(const std::string& binding) {
        client.client->vssInterface().ChangeProject(binding);
    }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
    testenv::FakeHost host;
    QWidget mainWindow;
    ClientRef client;
};

TEST_F(VcsManagerTest, AnswersTheHostsQuestionsAboutItself) {
    client.client = new TVcsManager(&host);

    EXPECT_EQ(client->GetIDString(), "Talvorenix.VCS");
    EXPECT_EQ(client->GetMenuName(), "S&ource Safe");
    EXPECT_EQ(client->GetVerbCount(), 15);
    EXPECT_EQ(client->GetVersion(), 3);
    const std::vector<std::string> texts = {"&Get Latest Version...",
                                            "Check &Out...",
                                            "Check &In...",
                                            "&Undo Check Out...",
                                            "",
                                            "&Add to Source Control...",
                                            "Re&move from Source Control...",
                                            "",
                                            "Show &Hisotry...",
                                            "Show &Differences...",
                                            "Shar&e from SourceSafe...",
                                            "",
                                            "SourceSafe",
                                            "O&ptions...",
                                            "A&bout..."};
    for (int verb = 0; verb < 15; ++verb)
        EXPECT_EQ(client->GetVerb(verb), texts[static_cast<std::size_t>(verb)]) << verb;
    EXPECT_EQ(client->GetVerb(15), "");
    EXPECT_EQ(client->GetVerb(-1), "");
}

// The notifier is registered last and unregistered only after the database is released.
TEST_F(VcsManagerTest, CreationAndDestructionOrder) {
    struct OrderHost : testenv::FakeHost {
        testenv::FakeVssServer* server = nullptr;
        int liveAtAdd = -1;
        int liveAtRemove = -1;
        bool AddNotifier(TIAddInNotifier* notifier) override {
            liveAtAdd = (*server)->liveObjects;
            return FakeHost::AddNotifier(notifier);
        }
        bool RemoveNotifier(TIAddInNotifier* notifier) override {
            liveAtRemove = (*server)->liveObjects;
            return FakeHost::RemoveNotifier(notifier);
        }
    } orderHost;
    orderHost.server = &server;

    auto* created = new TVcsManager(&orderHost);
    EXPECT_EQ(orderHost.liveAtAdd, 1);
    EXPECT_EQ(server->opens.size(), 1u);
    ASSERT_EQ(orderHost.notifiers.size(), 1u);
    EXPECT_EQ(orderHost.calls, std::vector<std::string>{"AddNotifier"});
    EXPECT_EQ(created->AddRef(), 2);
    EXPECT_EQ(created->Release(), 1);

    EXPECT_EQ(created->Release(), 0);
    EXPECT_EQ(orderHost.liveAtRemove, 0);
    EXPECT_TRUE(orderHost.notifiers.empty());
    EXPECT_EQ(orderHost.callCount("RemoveNotifier"), 1);
    EXPECT_EQ(orderHost.refCount(), 1); // borrowed, never released
}

TEST_F(VcsManagerTest, ServerThatCannotBeCreatedGivesNoClient) {
    server->createError = "Class not registered";
    EXPECT_THROW(new TVcsManager(&host), EVssError);
    EXPECT_EQ(host.callCount("AddNotifier"), 0);
}

// A host that refuses the notifier by raising: the client is not made, and the notifier it
// created goes with it.
TEST_F(VcsManagerTest, AddNotifierRaisingReleasesTheNewNotifier) {
    struct RefusingHost : testenv::FakeHost {
        TIAddInNotifier* held = nullptr;
        bool AddNotifier(TIAddInNotifier* notifier) override {
            held = notifier;
            notifier->AddRef(); // kept to see what the client leaves behind
            throw std::runtime_error("no room for notifiers");
        }
    } refusingHost;

    EXPECT_THROW((void)new TVcsManager(&refusingHost), std::runtime_error);

    ASSERT_NE(refusingHost.held, nullptr);
    EXPECT_EQ(refusingHost.held->Release(), 0) << "the client kept its reference";
    EXPECT_EQ(server->liveObjects, 0);
    EXPECT_EQ(refusingHost.callCount("RemoveNotifier"), 0);
}

// The menu asks for every verb's state each time it opens: a server path the menu cannot use
// disables verbs 12 and 13 instead of raising once per verb.
TEST_F(VcsManagerTest, AnUnusableServerPathDisablesTheExplorerVerbs) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
    };
    const fs::path hive = reg::hiveFile(Root::LocalMachine);
    const std::vector<Case> cases = {
        {"a number",
         [] {
             reg::writeValue(Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                             Value::fromDword(1));
         }},
        {"a damaged hive",
         [&] {
             setServerPath();
             env.write(hive, "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE]\n"
                             "\"SCCServerPath\"=\"unterminated\n");
         }},
        {"a folder in place of the hive",
         [&] {
             fs::remove(hive);
             fs::create_directory(hive);
         }},
    };
    client.client = new TVcsManager(&host);
    for (const Case& c : cases) {
        c.spoil();
        std::set<int> enabled;
        EXPECT_NO_THROW(enabled = enabledVerbs()) << c.what;
        EXPECT_EQ(enabled, (std::set<int>{4, 5, 7, 11, 14})) << c.what;
        fs::remove_all(hive);
        setServerPath();
        EXPECT_EQ(client->GetVerbState(12), 1) << c.what;
    }
    EXPECT_TRUE(driver.errors().empty());
}

TEST_F(VcsManagerTest, WithoutADatabaseOnlySeparatorsAndAboutAreEnabled) {
    setServerPath();
    refuseDefaultOpenAndCancelLogin();
    client.client = new TVcsManager(&host);

    EXPECT_EQ(enabledVerbs(), (std::set<int>{4, 7, 11, 14}));
    EXPECT_EQ(client->GetVerbState(15), 0);
    EXPECT_EQ(client->GetVerbState(-1), 0);
}

TEST_F(VcsManagerTest, WithADatabaseButNoBindingOnlyProjectFreeVerbsAreEnabled) {
    server->addProject("$/Proj");
    server->addFile("$/Proj/Unit1.pas");
    host.currentFile = "/home/ann/Proj/Unit1.pas";
    client.client = new TVcsManager(&host);

    EXPECT_EQ(enabledVerbs(), (std::set<int>{4, 5, 7, 11, 14}));
    setServerPath();
    EXPECT_EQ(enabledVerbs(), (std::set<int>{4, 5, 7, 11, 12, 13, 14}));
    EXPECT_TRUE(server->lookups.empty());
}

TEST_F(VcsManagerTest, BoundProjectEnablesFileVerbsForAFileUnderControl) {
    setServerPath();
    server->addProject("$/Proj");
    server->addFile("$/Proj/Unit1.pas");
    client.client = new TVcsManager(&host);
    bindTo("$/Proj");

    host.currentFile = "/home/ann/Proj/Unit1.pas";
    std::set<int> all;
    for (int verb = 0; verb < 15; ++verb)
        all.insert(verb);
    EXPECT_EQ(enabledVerbs(), all);

    host.currentFile = "/home/ann/Proj/Unit2.pas";
    all.erase(8);
    all.erase(9);
    EXPECT_EQ(enabledVerbs(), all);

    host.clearCalls();
    client->GetVerbState(8);
    EXPECT_EQ(host.calls, std::vector<std::string>{"GetCurrentFile"});
}

TEST_F(VcsManagerTest, VerbsWithoutACommandOnlyRestoreTheHostWindow) {
    server->addProject("$/Proj");
    server->addFile("$/Proj/Unit1.pas");
    host.currentFile = "/home/ann/Proj/Unit1.pas";
    client.client = new TVcsManager(&host);
    bindTo("$/Proj");
    host.clearCalls();

    int expectedRestores = 0;
    for (int verb : {4, 7, 11, 15, -1, 1000}) {
        client->ExecuteVerb(verb);
        EXPECT_EQ(driver.restoreCount(), ++expectedRestores) << verb;
    }
    EXPECT_EQ(driver.lastShowCommand(), ui::SW_RESTORE);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(driver.shownForms().empty());
}

// Each dialog verb asks the host for the current file just before its dialog, and the host
// window is restored once the dialog has closed.
TEST_F(VcsManagerTest, DialogVerbsFetchTheCurrentFileAndRestoreAfterwards) {
    server->addProject("$/Proj");
    server->addFile("$/Proj/Unit1.pas");
    host.currentFile = "/home/ann/Proj/Unit1.pas";
    client.client = new TVcsManager(&host);
    bindTo("$/Proj");

    int verbs = 0;
    for (int verb : {0, 1, 2, 3, 6}) {
        host.clearCalls();
        driver.drive([](ui::Form& form) { QTest::keyClick(&form, Qt::Key_Escape); });
        client->ExecuteVerb(verb);
        ++verbs;
        EXPECT_EQ(host.calls, std::vector<std::string>{"GetCurrentFile"}) << verb;
        EXPECT_EQ(driver.shownForms().size(), static_cast<std::size_t>(verbs)) << verb;
        EXPECT_EQ(driver.restoreCount(), verbs) << verb;
    }
}

// The share verb needs nothing from the host: its dialog gets the database and the binding.
TEST_F(VcsManagerTest, ShareVerbOpensTheShareDialogForTheBinding) {
    server->addProject("$/"); // the dialog opens its tree at the root
    server->addProject("$/Proj");
    client.client = new TVcsManager(&host);
    bindTo("$/Proj");
    host.clearCalls();
    driver.drive([](ui::Form& form) { QTest::keyClick(&form, Qt::Key_Escape); });
    client->ExecuteVerb(10);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(driver.shownForms(), std::vector<std::string>{"Share With $/Proj"});
    EXPECT_EQ(driver.restoreCount(), 1);
}

// Options and about need nothing from the host but, for about, its version.
TEST_F(VcsManagerTest, OptionsAndAboutOpenTheirWindows) {
    host.version = 7;
    client.client = new TVcsManager(&host);
    host.clearCalls();
    driver.drive([](ui::Form& form) { QTest::keyClick(&form, Qt::Key_Return); });
    client->ExecuteVerb(13);
    EXPECT_TRUE(host.calls.empty());
    driver.drive([](ui::Form& form) {
        EXPECT_EQ(form.findChild<QLabel*>("LabelDelphiVersion")->text(), "7");
        QTest::keyClick(&form, Qt::Key_Return);
    });
    client->ExecuteVerb(14);
    EXPECT_EQ(host.calls, std::vector<std::string>{"GetVersion"});
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"SourceSafe Properites", "About"}));
    EXPECT_EQ(driver.restoreCount(), 2);
}

// An error from the command's preparation or the command itself leaves ExecuteVerb to the host,
// and the host window is not restored.
TEST_F(VcsManagerTest, ErrorInAVerbSkipsTheRestore) {
    struct FailingHost : testenv::FakeHost {
        std::string GetCurrentFile() override {
            FakeHost::GetCurrentFile();
            throw std::runtime_error("editor gone");
        }
    } failingHost;
    client.client = new TVcsManager(&failingHost);

    for (int verb : {0, 1, 2, 3, 6, 9}) {
        EXPECT_THROW(client->ExecuteVerb(verb), std::runtime_error) << verb;
        EXPECT_EQ(driver.restoreCount(), 0) << verb;
    }
    EXPECT_EQ(failingHost.callCount("GetCurrentFile"), 6);
    client->ExecuteVerb(4);
    EXPECT_EQ(driver.restoreCount(), 1);
    ReleaseInterface(std::exchange(client.client, nullptr)); // before its host goes
}

} // namespace

#include "UnitVssInterface.h"

#include "FakeVss.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <ui/Form.h>
#include <ui/ScriptedDriver.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using reg::Root;
using reg::Value;

constexpr int kQuestion = 36;

class VssInterfaceTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    static void setting(const char* name, std::uint32_t value) {
        reg::writeValue(Root::CurrentUser, kVersionControlKey, name, Value::fromDword(value));
    }
    static void setServerPath(const std::string& path) {
        reg::writeValue(Root::LocalMachine, kSourceSafeKey, "SCCServerPath",
                        Value::fromString(path));
    }
    // The default open is refused; the login dialog accepts the password "right".
    void refuseDefaultOpen() {
        server->openPolicy = [](const testenv::FakeVssState::OpenCall& call) -> std::string {
            if (call.iniPath.empty() || call.password != "right")
                return "Invalid SourceSafe user name or password";
            return {};
        };
    }
    void loginWith(const char* password) {
        driver.answer(ui::IDOK); // "trying to login"
        driver.drive([password](ui::Form& form) {
            auto* edit = form.findChild<QLineEdit*>("EditPassword");
            QTest::keyClicks(edit, password);
            QTest::mouseClick(form.findChild<QPushButton*>("ButtonOk"), Qt::LeftButton);
            if (form.isVisible())
                QTest::keyClick(&form, Qt::Key_Escape);
        });
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : driver.messages())
            texts.push_back(m.text);
        return texts;
    }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
};

TEST_F(VssInterfaceTest, DefaultOpenNeedsNoLogin) {
    setting("GetOnOpen", 1);
    TVssInterface vss;

    EXPECT_TRUE(vss.IsLoggedIn());
    EXPECT_FALSE(vss.IsProjectBound());
    EXPECT_EQ(vss.projectBinding(), "");
    ASSERT_EQ(server->opens.size(), 1u);
    EXPECT_EQ(server->opens[0].iniPath, "");
    EXPECT_EQ(server->opens[0].user, "");
    EXPECT_EQ(server->opens[0].password, "");
    EXPECT_EQ(server->databasesCreated, 1);
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(driver.shownForms().empty());
    EXPECT_EQ(vss.properties().GetOnOpen, 1);
}

TEST_F(VssInterfaceTest, CancelledLoginLeavesEveryVerbStateOffButLoadsSettings) {
    refuseDefaultOpen();
    setServerPath("/opt/vss/libsourcesafe.so");
    setting("CheckOnClose", 1);
    driver.answer(ui::IDOK);
    driver.drive([](ui::Form& form) { QTest::keyClick(&form, Qt::Key_Escape); });

    TVssInterface vss;

    EXPECT_FALSE(vss.IsLoggedIn());
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, "trying to login");
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, ui::MB_OK);
    EXPECT_EQ(driver.shownForms(), std::vector<std::string>{"Source Safe Login"});
    // The login works on a fresh database object; the refused one is released.
    EXPECT_EQ(server->databasesCreated, 2);
    EXPECT_EQ(server->liveObjects, 1);
    EXPECT_EQ(server->opens.size(), 1u);

    EXPECT_EQ(vss.CanAddToControl(), 0);
    EXPECT_EQ(vss.CanWorkOnProject(), 0);
    EXPECT_EQ(vss.CanWorkOnFile("/work/a.pas"), 0);
    EXPECT_EQ(vss.CanRunExplorer(), 0);
    EXPECT_EQ(vss.properties().CheckOnClose, 1);
}

TEST_F(VssInterfaceTest, SuccessfulLoginLogsIn) {
    refuseDefaultOpen();
    loginWith("right");

    TVssInterface vss;

    EXPECT_TRUE(vss.IsLoggedIn());
    ASSERT_EQ(server->opens.size(), 2u);
    EXPECT_EQ(server->opens[1].password, "right");
    EXPECT_EQ(vss.CanAddToControl(), 1);
}

TEST_F(VssInterfaceTest, UnregisteredServerFailsConstructionWithItsDescription) {
    server->createError = "Class not registered: {783CD4E4-9D54-11CF-B8EE-00608CC9A71F}";
    try {
        TVssInterface vss;
        FAIL() << "construction succeeded";
    } catch (const EVssError& error) {
        EXPECT_EQ(std::string(error.what()), server->createError);
    }
    EXPECT_TRUE(driver.messages().empty());
}

TEST_F(VssInterfaceTest, FileUnderControlIsLookedUpByNameInTheBoundProject) {
    server->addProject("$/Proj");
    server->addFile("$/Proj/Unit1.pas");
    TVssInterface vss;
    vss.ChangeProject("$/Proj");
    server->lookups.clear();

    EXPECT_TRUE(vss.IsFileUnderControl("/home/ann/Proj/sub/Unit1.pas"));
    EXPECT_TRUE(vss.IsFileUnderControl("C:\\Proj\\Unit1.pas"));
    EXPECT_FALSE(vss.IsFileUnderControl("/home/ann/Proj/Unit2.pas"));
    EXPECT_EQ(server->lookups, (std::vector<std::string>{"$/Proj/Unit1.pas", "$/Proj/Unit1.pas",
                                                         "$/Proj/Unit2.pas"}));
    EXPECT_EQ(server->liveObjects, 1); // each item found was released at once

    server->lookups.clear();
    EXPECT_FALSE(vss.IsFileUnderControl(""));
    EXPECT_EQ(vss.CanWorkOnFile(""), 0);
    EXPECT_TRUE(server->lookups.empty());
}

TEST_F(VssInterfaceTest, StatesAreNotCached) {
    server->addProject("$/Proj");
    server->addFile("$/Proj/Unit1.pas");
    TVssInterface vss;

    EXPECT_EQ(vss.CanWorkOnProject(), 0);
    EXPECT_EQ(vss.CanWorkOnFile("/p/Unit1.pas"), 0);
    EXPECT_TRUE(server->lookups.empty()); // unbound: no lookup at all
    vss.ChangeProject("$/Proj");
    EXPECT_EQ(vss.CanWorkOnProject(), 1);

    server->lookups.clear();
    EXPECT_EQ(vss.CanWorkOnFile("/p/Unit1.pas"), 1);
    server->items.erase("$/Proj/Unit1.pas");
    EXPECT_EQ(vss.CanWorkOnFile("/p/Unit1.pas"), 0);
    EXPECT_EQ(server->lookups.size(), 2u);

    EXPECT_EQ(vss.CanRunExplorer(), 0);
    setServerPath("/opt/vss/libsourcesafe.so");
    EXPECT_EQ(vss.CanRunExplorer(), 1);
    setServerPath("");
    EXPECT_EQ(vss.CanRunExplorer(), 0);
}

TEST_F(VssInterfaceTest, ProjectNotFoundKeepsTheBindingUnboundWithoutAMessage) {
    setting("GetOnOpen", 1);
    TVssInterface vss;

    vss.ChangeProject("$/Missing");

    EXPECT_FALSE(vss.IsProjectBound());
    EXPECT_EQ(vss.projectBinding(), "$/Missing");
    EXPECT_TRUE(driver.messages().empty());
}

TEST_F(VssInterfaceTest, GetLatestOfferUsesTheWorkingFolderAndTheFlagSumWithoutUnchanged) {
    setting("GetOnOpen", 1);
    setting("Unchanged", 33554432);
    setting("Recursive", 8192);
    setting("ReadOnly", 2);
    setting("Compare", 512);
    setting("Replace", 128);
    setting("Date", 4);
    server->addProject("$/Proj", "/home/ann/Proj");
    driver.answer(ui::IDYES);
    TVssInterface vss;

    vss.ChangeProject("$/Proj");

    EXPECT_TRUE(vss.IsProjectBound());
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text,
              "Do you want to get the latest versions of $/Proj from Source Safe?");
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, kQuestion);
    ASSERT_EQ(server->gets.size(), 1u);
    EXPECT_EQ(server->gets[0].spec, "$/Proj");
    EXPECT_EQ(server->gets[0].local, "/home/ann/Proj");
    EXPECT_EQ(server->gets[0].flags, 8192 + 2 + 512 + 128 + 4);
    EXPECT_EQ(server->liveObjects, 1); // the project item is released
}

TEST_F(VssInterfaceTest, GetLatestAnsweredNoGetsNothing) {
    setting("GetOnOpen", 1);
    server->addProject("$/Proj");
    driver.answer(ui::IDNO);
    TVssInterface vss;

    vss.ChangeProject("$/Proj");

    EXPECT_TRUE(vss.IsProjectBound());
    EXPECT_TRUE(server->gets.empty());
}

TEST_F(VssInterfaceTest, SecondChangeToTheSameBindingAsksOnlyTheCheckInQuestion) {
    setting("GetOnOpen", 1);
    setting("CheckOnClose", 1);
    server->addProject("$/Proj");
    driver.answer(ui::IDNO); // get latest?
    driver.answer(ui::IDNO); // check in?
    TVssInterface vss;

    vss.ChangeProject("$/Proj");
    vss.ChangeProject("$/Proj");

    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{
                  "Do you want to get the latest versions of $/Proj from Source Safe?",
                  "Do you want to check in this project to $/Proj?"}));
    EXPECT_EQ(driver.messages()[1].style, kQuestion);
    EXPECT_TRUE(vss.IsProjectBound());
}

TEST_F(VssInterfaceTest, LeavingABoundProjectOffersCheckInForTheOldBinding) {
    setting("CheckOnClose", 1);
    server->addProject("$/Old");
    driver.answer(ui::IDNO);
    TVssInterface vss;
    vss.ChangeProject("$/Old");
    EXPECT_TRUE(driver.messages().empty());

    vss.ChangeProject("");

    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{"Do you want to check in this project to $/Old?"});
    EXPECT_FALSE(vss.IsProjectBound());
    EXPECT_EQ(vss.projectBinding(), "");
}

// Yes opens the check-in dialog on the project being left, with no file pre-selected.
TEST_F(VssInterfaceTest, CheckInOfferOpensTheCheckInDialogForTheOldProject) {
    setting("CheckOnClose", 1);
    server->addProject("$/Old");
    server->addFile("$/Old/Mine.pas");
    server->items["$/Old/Mine.pas"].checkedOut = vss::kCheckedOutMe;
    server->addFile("$/Old/Other.pas");
    server->addProject("$/New");
    TVssInterface vss;
    vss.ChangeProject("$/Old");
    driver.answer(ui::IDYES);
    QStringList listed;
    driver.drive([&listed](ui::Form& form) {
        auto* list = form.findChild<QListWidget*>("ListBoxFileList");
        for (int row = 0; list && row < list->count(); ++row)
            listed << list->item(row)->text();
        QTest::keyClick(&form, Qt::Key_Escape);
    });

    vss.ChangeProject("$/New");

    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{"Do you want to check in this project to $/Old?"});
    EXPECT_EQ(driver.shownForms(), std::vector<std::string>{"Check In Files"});
    EXPECT_EQ(listed, QStringList{"Mine.pas"});
    EXPECT_TRUE(vss.IsProjectBound());
    EXPECT_EQ(vss.projectBinding(), "$/New");
    EXPECT_EQ(server->liveObjects, 1); // the dialog released what it held
}

// The project being left was deleted from the database: the check-in dialog cannot be built.
// Its error is shown once and the new project's binding is still taken, so the question is
// not asked again about the vanished project.
TEST_F(VssInterfaceTest, CheckInOfferForAVanishedProjectShowsTheErrorAndTakesTheNewBinding) {
    setting("CheckOnClose", 1);
    server->addProject("$/Old");
    server->addProject("$/New");
    TVssInterface vss;
    vss.ChangeProject("$/Old");
    server->items.erase("$/Old");
    driver.answer(ui::IDYES);

    vss.ChangeProject("$/New");

    EXPECT_EQ(driver.errors(),
              std::vector<std::string>{"$/Old is not an existing filename or project"});
    EXPECT_TRUE(driver.shownForms().empty());
    EXPECT_TRUE(vss.IsProjectBound());
    EXPECT_EQ(vss.projectBinding(), "$/New");
    EXPECT_EQ(server->liveObjects, 1);

    driver.answer(ui::IDNO);
    vss.ChangeProject("");
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"Do you want to check in this project to $/Old?",
                                        "Do you want to check in this project to $/New?"}));
    EXPECT_EQ(driver.errors().size(), 1u);
}

TEST_F(VssInterfaceTest, FailingGetLeavesChangeProjectWithTheBindingInPlace) {
    setting("GetOnOpen", 1);
    server->addProject("$/Proj");
    server->getError = "Access denied to the working folder";
    driver.answer(ui::IDYES);
    TVssInterface vss;

    EXPECT_THROW(vss.ChangeProject("$/Proj"), EVssError);

    EXPECT_TRUE(vss.IsProjectBound());
    EXPECT_EQ(vss.projectBinding(), "$/Proj");
    EXPECT_EQ(server->liveObjects, 1);
}

TEST_F(VssInterfaceTest, DestructionReleasesTheDatabase) {
    server->addProject("$/Proj");
    {
        TVssInterface vss;
        vss.ChangeProject("$/Proj");
        EXPECT_EQ(server->liveObjects, 1);
    }
    EXPECT_EQ(server->liveObjects, 0);
}

} // namespace

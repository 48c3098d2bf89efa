#include "UnitVssLogin.h"

#include "UnitVssRegistry.h"

#include "FakeVss.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <system/System.h>
#include <ui/ScriptedDriver.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using reg::Root;
using reg::Value;

constexpr const char kFailure[] = "Can not login to Source Safe database.";

void click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

class VssLoginTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    static void registerDatabase(const char* name, const std::string& folder) {
        reg::writeValue(Root::LocalMachine, kDatabasesKey, name, Value::fromString(folder));
    }
    VssDatabase newDatabase() {
        VssDatabase database = CoVSSDatabase::Create();
        server->opens.clear();
        return database;
    }
    // Runs the form modally, with the action inside its loop.
    int run(TFormVssLogin& form, std::function<void(TFormVssLogin&)> action) {
        driver.drive([action](ui::Form& shown) { action(static_cast<TFormVssLogin&>(shown)); });
        return form.showModal();
    }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
};

TEST_F(VssLoginTest, WindowAndControls) {
    TFormVssLogin form(newDatabase());

    EXPECT_EQ(form.windowTitle(), "Source Safe Login");
    EXPECT_EQ(form.size(), QSize(282, 160));
    EXPECT_EQ(form.EditPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.Button1->text(), "&Browse...");
    EXPECT_EQ(form.ButtonOk->text(), "OK");
    EXPECT_EQ(form.ButtonCancel->text(), "Cancel");
    EXPECT_EQ(form.defaultButton(), form.ButtonOk);
    EXPECT_EQ(form.cancelButton(), form.ButtonCancel);
    EXPECT_FALSE(form.CoBoxDataBases->isEditable());
    for (const char* name :
         {"EditUser", "EditPassword", "Button1", "ButtonOk", "ButtonCancel", "CoBoxDataBases",
          "LabelUser", "LabelPassword", "LabelDataBase", "LabelPath", "LabelDir"})
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(form.LabelUser->text(), "Username");
    EXPECT_EQ(form.LabelPassword->text(), "Password");
    EXPECT_EQ(form.LabelDataBase->text(), "Database");
    EXPECT_EQ(form.LabelPath->text(), "Path");

    const std::vector<QWidget*> order = {form.EditUser, form.EditPassword, form.Button1,
                                         form.ButtonOk, form.ButtonCancel, form.CoBoxDataBases};
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        EXPECT_EQ(order[i]->nextInFocusChain(), order[i + 1]) << i;

    EXPECT_EQ(form.EditUser->text().toStdString(), sys::logonName());
    EXPECT_EQ(form.EditPassword->text(), "");
}

TEST_F(VssLoginTest, TwoRegisteredDatabasesFirstSelectedSecondOnChoice) {
    registerDatabase("Main", "/srv/main");
    registerDatabase("Test", "/srv/test");
    TFormVssLogin form(newDatabase());

    ASSERT_EQ(form.CoBoxDataBases->count(), 2);
    EXPECT_EQ(form.CoBoxDataBases->itemText(0), "Main");
    EXPECT_EQ(form.CoBoxDataBases->itemText(1), "Test");
    EXPECT_EQ(form.CoBoxDataBases->currentIndex(), 0);
    EXPECT_EQ(form.LabelDir->text(), "/srv/main");

    // A change the program makes is no choice of the user's.
    form.CoBoxDataBases->setCurrentIndex(1);
    EXPECT_EQ(form.LabelDir->text(), "/srv/main");
    form.CoBoxDataBases->setCurrentIndex(0);

    form.show();
    form.CoBoxDataBases->setFocus();
    QTest::keyClick(form.CoBoxDataBases, Qt::Key_Down);
    EXPECT_EQ(form.CoBoxDataBases->currentIndex(), 1);
    EXPECT_EQ(form.LabelDir->text(), "/srv/test");
}

TEST_F(VssLoginTest, NoDatabasesLeaveListAndFolderEmpty) {
    TFormVssLogin form(newDatabase());
    EXPECT_EQ(form.CoBoxDataBases->count(), 0);
    EXPECT_EQ(form.CoBoxDataBases->currentIndex(), -1);
    EXPECT_EQ(form.LabelDir->text(), "");
}

TEST_F(VssLoginTest, EscAndCloseGiveCancelWithoutOpen) {
    TFormVssLogin form(newDatabase());
    EXPECT_EQ(run(form, [](TFormVssLogin& f) { QTest::keyClick(&f, Qt::Key_Escape); }),
              ui::mrCancel);
    EXPECT_EQ(run(form, [](TFormVssLogin& f) { f.close(); }), ui::mrCancel);
    EXPECT_EQ(run(form, [](TFormVssLogin& f) { click(f.ButtonCancel); }), ui::mrCancel);
    EXPECT_TRUE(server->opens.empty());
}

// Enter takes the focused button, as on the platform the dialogs stand for; OK only for the
// other controls.
TEST_F(VssLoginTest, EnterOnAFocusedButtonClicksThatButton) {
    registerDatabase("Main", "/srv/main");
    driver.chooseFile("/data/vss/srcsafe.ini");
    TFormVssLogin form(newDatabase());

    const int result = run(form, [](TFormVssLogin& f) {
        f.EditPassword->setFocus();
        QTest::keyClick(f.EditPassword, Qt::Key_Tab);
        ASSERT_EQ(f.focusWidget(), f.Button1);
        QTest::keyClick(f.Button1, Qt::Key_Return);
        EXPECT_EQ(f.LabelDir->text(), "/data/vss");
        EXPECT_TRUE(f.isVisible());
        f.ButtonCancel->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.ButtonCancel, Qt::Key_Enter, Qt::KeypadModifier);
    });

    EXPECT_EQ(result, ui::mrCancel);
    EXPECT_TRUE(server->opens.empty());
    EXPECT_EQ(driver.fileRequests().size(), 1u);
}

// A machine hive that cannot be read is reported once, and the login goes on as with no
// registered database; nothing is written to the hive.
TEST_F(VssLoginTest, AnUnreadableMachineHiveIsReportedOnceAndReadsAsNoDatabases) {
    registerDatabase("Main", "/srv/main");
    const std::filesystem::path hive = reg::hiveFile(Root::LocalMachine);
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\X]\n"
                                "\"A\"=\"unterminated\n";
    env.write(hive, damaged);

    TFormVssLogin form(newDatabase());

    EXPECT_EQ(form.CoBoxDataBases->count(), 0);
    EXPECT_EQ(form.LabelDir->text(), "");
    ASSERT_EQ(driver.errors().size(), 1u);
    EXPECT_NE(driver.errors()[0].find(hive.string()), std::string::npos) << driver.errors()[0];
    EXPECT_NE(driver.errors()[0].find("line 4"), std::string::npos) << driver.errors()[0];
    EXPECT_EQ(testenv::TestEnvironment::read(hive), damaged);
}

TEST_F(VssLoginTest, WrongThenRightPassword) {
    registerDatabase("Main", "/srv/main");
    server->openPolicy = [](const testenv::FakeVssState::OpenCall& call) {
        return call.password == "right" ? std::string() : std::string("Invalid password");
    };
    driver.answer(ui::IDOK);
    TFormVssLogin form(newDatabase());

    const int result = run(form, [](TFormVssLogin& f) {
        QTest::keyClicks(f.EditUser, "x");
        QTest::keyClicks(f.EditPassword, "wrong");
        click(f.ButtonOk);
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.LabelDir->text(), "/srv/main");
        EXPECT_EQ(f.EditPassword->text(), "wrong");
        f.EditPassword->clear();
        QTest::keyClicks(f.EditPassword, "right");
        QTest::keyClick(f.EditPassword, Qt::Key_Return);
    });

    EXPECT_EQ(result, ui::mrOk);
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, kFailure);
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, ui::MB_ICONERROR | ui::MB_OK);
    ASSERT_EQ(server->opens.size(), 2u);
    const std::string user = sys::logonName() + "x";
    EXPECT_EQ(server->opens[0].iniPath, "/srv/main/srcsafe.ini");
    EXPECT_EQ(server->opens[0].user, user);
    EXPECT_EQ(server->opens[0].password, "wrong");
    EXPECT_EQ(server->opens[1].password, "right");
    EXPECT_EQ(server->databasesCreated, 1); // both tries on the same object
}

TEST_F(VssLoginTest, EmptyFolderPassesTheIniNameAfterASeparator) {
    server->openPolicy = [](const testenv::FakeVssState::OpenCall&) { return std::string("No"); };
    driver.answer(ui::IDOK);
    TFormVssLogin form(newDatabase());
    EXPECT_EQ(run(form,
                  [](TFormVssLogin& f) {
                      click(f.ButtonOk);
                      click(f.ButtonCancel);
                  }),
              ui::mrCancel);
    ASSERT_EQ(server->opens.size(), 1u);
    EXPECT_EQ(server->opens[0].iniPath, "/srcsafe.ini");
}

TEST_F(VssLoginTest, BrowseTakesTheFolderOfTheChosenFile) {
    registerDatabase("Main", "/srv/main");
    TFormVssLogin form(newDatabase());
    driver.chooseFile("/data/vss/srcsafe.ini");
    driver.chooseFile(std::nullopt);
    driver.chooseFile("/srcsafe.ini");
    driver.chooseFile("C:\\srcsafe.ini");

    const int result = run(form, [](TFormVssLogin& f) {
        click(f.Button1);
        EXPECT_EQ(f.LabelDir->text(), "/data/vss");
        click(f.Button1); // cancelled: nothing changes
        EXPECT_EQ(f.LabelDir->text(), "/data/vss");
        click(f.Button1);
        EXPECT_EQ(f.LabelDir->text(), "/"); // a root keeps its separator
        click(f.Button1);
        EXPECT_EQ(f.LabelDir->text(), "C:\\");
        EXPECT_TRUE(f.isVisible());
        click(f.ButtonOk);
    });

    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(form.CoBoxDataBases->count(), 1);
    ASSERT_EQ(driver.fileRequests().size(), 4u);
    const ui::OpenFileRequest& request = driver.fileRequests()[0];
    EXPECT_EQ(request.filter, "Source Safe DataBases (srcsafe.ini)|srcsafe.ini");
    EXPECT_EQ(request.fileName, "srcsafe.ini");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(request.mustExist);
    ASSERT_EQ(server->opens.size(), 1u);
    EXPECT_EQ(server->opens[0].iniPath, "C:\\/srcsafe.ini");
}

TEST_F(VssLoginTest, BrowseToARootThenOkJoinsWithTheSeparatorUnchanged) {
    driver.chooseFile("/srcsafe.ini");
    TFormVssLogin form(newDatabase());
    run(form, [](TFormVssLogin& f) {
        click(f.Button1);
        click(f.ButtonOk);
    });
    ASSERT_EQ(server->opens.size(), 1u);
    EXPECT_EQ(server->opens[0].iniPath, "//srcsafe.ini");
}

// The real server: a user with a password on a registered database.
TEST(VssLoginRealServerTest, WrongThenRightPasswordOnARealDatabase) {
    testenv::TestEnvironment env;
    const std::filesystem::path folder = env.createDatabase("Main");
    env.ss({"password", testenv::TestEnvironment::currentUser()}, "secret\n");
    ui::ScriptedDriver driver;
    driver.answer(ui::IDOK);
    const VssDatabase database = CoVSSDatabase::Create();
    TFormVssLogin form(database);
    ASSERT_EQ(form.LabelDir->text().toStdString(), folder.string());

    driver.drive([](ui::Form& shown) {
        auto& f = static_cast<TFormVssLogin&>(shown);
        QTest::keyClicks(f.EditPassword, "wrong");
        click(f.ButtonOk);
        f.EditPassword->clear();
        QTest::keyClicks(f.EditPassword, "secret");
        click(f.ButtonOk);
    });

    EXPECT_EQ(form.showModal(), ui::mrOk);
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, kFailure);
    EXPECT_NO_THROW(database.item("$/"));
    EXPECT_TRUE(driver.problems().empty());
}

} // namespace

// The options and about commands: what they show, and when the options are reloaded.
#include "UnitVssInterface.h"

#include "FakeVss.h"
#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <ui/Form.h>
#include <ui/ScriptedDriver.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DatabaseCommandsTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }
    static void setting(const char* name, std::uint32_t value) {
        reg::writeValue(reg::Root::CurrentUser, kVersionControlKey, name,
                        reg::Value::fromDword(value));
    }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
};

TEST_F(DatabaseCommandsTest, OptionsCancelledKeepsTheCopyEvenWhenTheRegistryChanged) {
    TVssInterface vss;
    ASSERT_EQ(vss.properties().Compare, 0);
    setting("Compare", 512); // changed behind the connection's back
    driver.drive([](ui::Form& form) {
        QTest::mouseClick(form.findChild<QPushButton*>("ButtonCacnel"), Qt::LeftButton);
    });
    vss.ShowOptions();
    EXPECT_EQ(driver.shownForms(), std::vector<std::string>{"SourceSafe Properites"});
    EXPECT_EQ(vss.properties().Compare, 0);
}

TEST_F(DatabaseCommandsTest, OptionsOkReloadsAllSettings) {
    TVssInterface vss;
    driver.drive([](ui::Form& form) {
        QTest::mouseClick(form.findChild<QCheckBox*>("CBoxGetOnOpen"), Qt::LeftButton);
        QTest::mouseClick(form.findChild<QPushButton*>("ButtonOk"), Qt::LeftButton);
    });
    vss.ShowOptions();
    TVSSProperties expected;
    expected.GetOnOpen = 1;
    expected.Recursive = 4096;
    expected.ReadOnly = 1;
    EXPECT_EQ(vss.properties(), expected);
}

TEST_F(DatabaseCommandsTest, AboutShowsTheHostVersionAsADecimal) {
    TVssInterface vss;
    for (const int version : {3, 12, -1}) {
        driver.drive([version](ui::Form& form) {
            EXPECT_EQ(form.findChild<QLabel*>("LabelDelphiVersion")->text(),
                      QString::number(version));
            EXPECT_EQ(form.findChild<QLabel*>("LabelVssVersion")->text(), "5.0");
            QTest::keyClick(&form, Qt::Key_Return);
        });
        vss.ShowAbout(version);
    }
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"About", "About", "About"}));
}

} // namespace

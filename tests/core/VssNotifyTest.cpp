#include "UnitVssNotify.h"

#include "UnitVssInterface.h"

#include "FakeHost.h"
#include "FakeVss.h"
#include "TestEnvironment.h"

#include <ui/Form.h>
#include <ui/ScriptedDriver.h>

#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr const char kRemoveQuestion[] = "Would you like to remove this file from source control?";

class VssNotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        server->addProject("$/Proj");
        server->addFile("$/Proj/Unit1.pas");
        vss = std::make_unique<TVssInterface>();
        notifier = new TVssNotify(&host, vss.get());
    }
    void TearDown() override {
        ReleaseInterface(notifier);
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    void notify(TFileNotification code, const std::string& file) {
        bool cancel = false;
        notifier->FileNotification(code, file, cancel);
        EXPECT_FALSE(cancel);
    }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
    testenv::FakeHost host;
    std::unique_ptr<TVssInterface> vss;
    TVssNotify* notifier = nullptr;
};

TEST_F(VssNotifyTest, RemovedFileOfAnUnboundProjectIsIgnored) {
    server->lookups.clear();
    notify(TFileNotification::RemovedFromProject, "/home/ann/Proj/Unit1.pas");
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(server->lookups.empty());
}

TEST_F(VssNotifyTest, RemovedFileWithoutAnItemIsIgnored) {
    vss->ChangeProject("$/Proj");
    notify(TFileNotification::RemovedFromProject, "/home/ann/Proj/Unit2.pas");
    EXPECT_TRUE(driver.messages().empty());
}

// The lookup is by name alone: a file from a subfolder matches the project's item.
TEST_F(VssNotifyTest, RemovedFileUnderControlIsOfferedForRemoval) {
    vss->ChangeProject("$/Proj");
    driver.answer(ui::IDNO);

    notify(TFileNotification::RemovedFromProject, "/home/ann/Proj/sub/Unit1.pas");

    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, kRemoveQuestion);
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, 36);
    EXPECT_TRUE(driver.shownForms().empty());
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(VssNotifyTest, RemovalAcceptedOpensTheRemoveDialogWithTheFileSelected) {
    vss->ChangeProject("$/Proj");
    driver.answer(ui::IDYES);
    QStringList selected;
    driver.drive([&selected](ui::Form& form) {
        if (auto* list = form.findChild<QListWidget*>("ListBoxFileList"))
            for (const QListWidgetItem* item : list->selectedItems())
                selected << item->text();
        QTest::keyClick(&form, Qt::Key_Escape);
    });

    notify(TFileNotification::RemovedFromProject, "/home/ann/Proj/Unit1.pas");

    EXPECT_EQ(driver.shownForms().size(), 1u);
    EXPECT_EQ(selected, QStringList{"Unit1.pas"});
}

TEST_F(VssNotifyTest, OtherCodesAndEventsDoNothing) {
    vss->ChangeProject("$/Proj");
    server->lookups.clear();
    for (int code = 0; code <= 11; ++code) {
        if (code == 6 || code == 7)
            continue;
        notify(static_cast<TFileNotification>(code), "/home/ann/Proj/Unit1.pas");
    }
    for (auto event : {TEventNotification::BeforeCompile, TEventNotification::AfterCompile}) {
        bool cancel = true;
        notifier->EventNotification(event, cancel);
        EXPECT_TRUE(cancel);
    }
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(server->lookups.empty());
    EXPECT_TRUE(host.calls.empty());
}

} // namespace

// Code 6: a file added to the host project is offered for adding to source control.
#include "UnitVssNotify.h"

#include "TVcs.h"
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

constexpr const char kAddQuestion[] = "Would you like to add this file to source control?";
using Strings = std::vector<std::string>;

class VssNotifyAddTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = env.root() / "Proj";
        unit = env.write(folder / "Unit2.pas", "unit Unit2;\nend.\n").string();
        server->addProject("$/Proj", folder.string());
        server->addFile("$/Proj/Unit1.pas");
        host.projectName = (folder / "Proj.dpr").string();
        host.currentFile = unit;
        vss = std::make_unique<TVssInterface>();
        notifier = new TVssNotify(&host, vss.get());
    }
    void TearDown() override {
        ReleaseInterface(notifier);
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    void added(const std::string& file) {
        bool cancel = false;
        notifier->FileNotification(TFileNotification::AddedToProject, file, cancel);
        EXPECT_FALSE(cancel);
    }
    // Expects the add-files dialog, notes its selection and cancels it.
    void expectAddFilesDialog() {
        driver.drive([this](ui::Form& form) {
            EXPECT_EQ(form.windowTitle(), "Add Files To Source Control");
            if (auto* list = form.findChild<QListWidget*>("ListBoxFileList"))
                for (const QListWidgetItem* item : list->selectedItems())
                    selected << item->text();
            QTest::keyClick(&form, Qt::Key_Escape);
        });
    }

    testenv::TestEnvironment env;
    testenv::FakeVssServer server;
    ui::ScriptedDriver driver;
    testenv::FakeHost host;
    std::filesystem::path folder;
    std::string unit;
    std::unique_ptr<TVssInterface> vss;
    TVssNotify* notifier = nullptr;
    QStringList selected;
};

TEST_F(VssNotifyAddTest, AFileAddedToAnUnboundProjectIsIgnored) {
    added(unit);
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(VssNotifyAddTest, NoLeavesTheHostModuleAlone) {
    vss->ChangeProject("$/Proj");
    driver.answer(ui::IDNO);
    added(unit);
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, kAddQuestion);
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, 36);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(driver.shownForms().empty());
}

TEST_F(VssNotifyAddTest, YesSavesAndShowsTheModuleThenOffersTheCurrentFile) {
    vss->ChangeProject("$/Proj");
    host.modules.insert(unit);
    driver.answer(ui::IDYES);
    expectAddFilesDialog();
    added(unit);
    EXPECT_EQ(host.calls,
              (Strings{"GetModuleInterface(" + unit + ")", "Module.Save(true)", "Module.ShowSource",
                       "Module.Release", "GetProjectName", "GetCurrentFile"}));
    EXPECT_EQ(selected, QStringList{"Unit2.pas"});
}

TEST_F(VssNotifyAddTest, WithoutAHostModuleTheOfferGoesOn) {
    vss->ChangeProject("$/Proj");
    driver.answer(ui::IDYES);
    expectAddFilesDialog();
    added(unit);
    EXPECT_EQ(host.calls,
              (Strings{"GetModuleInterface(" + unit + ")", "GetProjectName", "GetCurrentFile"}));
    EXPECT_EQ(driver.shownForms().size(), 1u);
}

// Verb 5 asks the host for the project file first, then for the current file; with the project
// bound it opens only the add-files dialog.
TEST_F(VssNotifyAddTest, Verb5AsksForTheProjectFileThenTheCurrentFile) {
    TVcsManager* client = new TVcsManager(&host);
    client->vssInterface().ChangeProject("$/Proj");
    host.clearCalls();
    expectAddFilesDialog();
    client->ExecuteVerb(5);
    EXPECT_EQ(host.calls, (Strings{"GetProjectName", "GetCurrentFile"}));
    EXPECT_EQ(driver.shownForms(), Strings{"Add Files To Source Control"});
    EXPECT_EQ(selected, QStringList{"Unit2.pas"});
    client->Release();
}

} // namespace

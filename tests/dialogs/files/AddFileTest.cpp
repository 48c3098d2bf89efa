// The add-files dialog and the add-to-source-control command, against the fixture's $/Proj with
// its working folder `work` holding A.pas to D.pas.
#include "DialogFixture.h"

#include "UnitAddFile.h"
#include "UnitAddProject.h"
#include "UnitVssInterface.h"

#include <system/System.h>
#include <vss/VssInterfaces.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using AddFile = DialogFixture;

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

bool underControl(const VssDatabase& server, const std::string& spec) {
    try {
        server.item(spec, false);
        return true;
    } catch (const EVssError&) {
        return false;
    }
}

// New files beside the project's own: a plain one, a hidden one, a read-only one, and a folder.
void addNewFiles(testenv::TestEnvironment& env, const fs::path& work) {
    env.write(work / "E.pas", "unit E;\n");
    env.write(work / ".hidden", "secret\n");
    sys::setReadOnly(env.write(work / "F.txt", "notes\n"), true);
    env.write(work / "sub" / "G.pas", "unit G;\n");
}

TEST_F(AddFile, ListsThePlainFilesOfTheWorkingFolderThatTheProjectDoesNotHold) {
    addNewFiles(env, work);
    env.write(work / "a.PAS", "unit a;\n"); // another file than A.pas on this file system
    TFormAddFile dialog(database, "$/Proj", "");
    EXPECT_EQ(dialog.windowTitle(), "Add Files To Source Control");
    EXPECT_EQ(dialog.LabelFiles->text(), "Files");
    EXPECT_FALSE(dialog.ButtonAdvanced->isEnabled());
    // The project's lookup compares names without regard to case, so a.PAS counts as held.
    EXPECT_EQ(sorted(entries(dialog.ListBoxFileList)), QStringList({".hidden", "E.pas", "F.txt"}));
    EXPECT_TRUE(selectedEntries(dialog.ListBoxFileList).isEmpty());
}

TEST_F(AddFile, TheCurrentFileIsPreselectedByItsNamePart) {
    addNewFiles(env, work);
    struct Case {
        std::string fileName;
        QStringList selected;
    };
    for (const Case& c :
         {Case{(work / "e.PAS").string(), {"E.pas"}}, Case{"C:\\Work\\F.txt", {"F.txt"}},
          Case{"", {}}, Case{(work / "A.pas").string(), {}}}) {
        TFormAddFile dialog(database, "$/Proj", c.fileName);
        EXPECT_EQ(selectedEntries(dialog.ListBoxFileList), c.selected) << c.fileName;
    }
}

TEST_F(AddFile, AMissingOrEmptyWorkingFolderGivesAnEmptyListAndNoOk) {
    env.ss({"mkproj", "$/Elsewhere"});
    env.ss({"workfold", "$/Elsewhere", (env.root() / "missing").string()});
    env.ss({"mkproj", "$/Nowhere"}); // no working folder at all
    for (const char* project : {"$/Elsewhere", "$/Nowhere"}) {
        TFormAddFile dialog(database, project, "");
        EXPECT_EQ(dialog.ListBoxFileList->count(), 0) << project;
        driver.drive([&](ui::Form&) {
            EXPECT_FALSE(dialog.ButtonOk->isEnabled());
            click(dialog.ButtonCancel);
        });
        dialog.showModal();
    }
}

TEST_F(AddFile, AddsEachSelectedFileWithOneCommentAndTheReadOnlySetting) {
    addNewFiles(env, work);
    storeSettings(sampleSettings()); // ReadOnly is 2, every other group set too
    TFormAddFile dialog(database, "$/Proj", (work / "E.pas").string());
    const int hidden = static_cast<int>(entries(dialog.ListBoxFileList).indexOf(".hidden"));
    plan->clearCalls();
    driver.drive([&](ui::Form&) {
        clickEntry(dialog.ListBoxFileList, hidden, Qt::ControlModifier);
        QTest::keyClicks(dialog.MemoComment, "first");
        QTest::keyClick(dialog.MemoComment, Qt::Key_Return);
        QTest::keyClicks(dialog.MemoComment, "second");
        click(dialog.ButtonOk);
        EXPECT_EQ(dialog.ButtonOk->text(), "Close");
        EXPECT_EQ(sorted(logLines(dialog.MemoLog)),
                  sorted({"Adding " + QString::fromStdString((work / ".hidden").string()),
                          "Adding " + QString::fromStdString((work / "E.pas").string())}));
        EXPECT_TRUE(selectedEntries(dialog.ListBoxFileList).isEmpty());
        EXPECT_EQ(entries(dialog.ListBoxFileList).size(), 3); // added files stay listed
        click(dialog.ButtonOk);
    });
    dialog.showModal();

    const auto adds = plan->callsOf("Add");
    ASSERT_EQ(adds.size(), 2u);
    for (const auto& call : adds) {
        EXPECT_EQ(call.comment, "first\r\nsecond");
        EXPECT_EQ(call.flags, vss::FlagReadOnly);
    }
    // The run reads the project again but neither its children nor an item per entry.
    EXPECT_EQ(plan->callsOf("get_VSSItem").size(), 1u);
    EXPECT_TRUE(plan->callsOf("get_Items").empty());
    EXPECT_TRUE(plan->callsOf("get_Item").empty());
    EXPECT_TRUE(underControl(server, "$/Proj/E.pas"));
    EXPECT_TRUE(underControl(server, "$/Proj/.hidden"));
    EXPECT_FALSE(underControl(server, "$/Proj/F.txt"));
    EXPECT_TRUE(sys::fileAttributes(work / "E.pas").readOnly);
}

TEST_F(AddFile, AFailedAddIsLoggedWithTheFullPathAndTheRunGoesOn) {
    addNewFiles(env, work);
    TFormAddFile dialog(database, "$/Proj", "");
    plan->fail("Add", "The file is locked", std::nullopt, 1);
    driver.drive([&](ui::Form&) {
        clickEntry(dialog.ListBoxFileList, 0);
        clickEntry(dialog.ListBoxFileList, 1, Qt::ControlModifier);
        const QStringList names = selectedEntries(dialog.ListBoxFileList);
        click(dialog.ButtonOk);
        const auto path = [this](const QString& name) {
            return QString::fromStdString((work / name.toStdString()).string());
        };
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({"Adding " + path(names[0]),
                               "Can't Add " + path(names[0]) + " Reason:The file is locked",
                               "Adding " + path(names[1])}));
        EXPECT_EQ(selectedEntries(dialog.ListBoxFileList), QStringList{names[0]});
        click(dialog.ButtonOk);
    });
    dialog.showModal();
}

// The add-to-source-control command: the add-project dialog only while unbound.
TEST_F(AddFile, ABoundProjectOpensOnlyTheAddFilesDialog) {
    addNewFiles(env, work);
    TVssInterface connection;
    connection.ChangeProject("$/Proj");
    driver.drive([&](ui::Form& form) {
        EXPECT_EQ(form.windowTitle(), "Add Files To Source Control");
        EXPECT_EQ(selectedEntries(form.findChild<QListWidget*>("ListBoxFileList")),
                  QStringList{"E.pas"});
        click(form.findChild<QPushButton*>("ButtonCancel"));
    });
    connection.ShowAddToControl((work / "E.pas").string(), (work / "Proj.dpr").string());
    EXPECT_EQ(driver.shownForms().size(), 1u);
}

TEST_F(AddFile, CancellingTheAddProjectDialogEndsTheCommandUnbound) {
    TVssInterface connection;
    driver.drive([&](ui::Form& form) {
        EXPECT_EQ(form.windowTitle(), "Add to SourceSafe Project");
        click(form.findChild<QPushButton*>("ButtonCancel"));
    });
    connection.ShowAddToControl("", (env.root() / "New" / "New.dpr").string());
    EXPECT_EQ(driver.shownForms().size(), 1u);
    EXPECT_FALSE(connection.IsProjectBound());
    EXPECT_EQ(connection.projectBinding(), "");
}

TEST_F(AddFile, BindingThroughTheAddProjectDialogThenOffersTheFiles) {
    const fs::path folder = env.root() / "New";
    const std::string unit = env.write(folder / "Unit1.pas", "unit Unit1;\n").string();
    const std::string dpr = env.write(folder / "New.dpr", "program New;\nend.\n").string();
    TVssInterface connection;
    driver.answer(ui::IDYES); // create $/New
    driver.drive([&](ui::Form& form) {
        auto& addProject = static_cast<TFormAddProject&>(form);
        EXPECT_EQ(addProject.EditProjectName->text(), "New");
        click(addProject.ButtonOk);
    });
    driver.drive([&](ui::Form& form) {
        EXPECT_EQ(form.windowTitle(), "Add Files To Source Control");
        auto* list = form.findChild<QListWidget*>("ListBoxFileList");
        EXPECT_EQ(sorted(entries(list)), QStringList({"New.dpr", "Unit1.pas"}));
        EXPECT_EQ(selectedEntries(list), QStringList{"Unit1.pas"});
        click(form.findChild<QPushButton*>("ButtonOk"));
        click(form.findChild<QPushButton*>("ButtonOk"));
    });
    connection.ShowAddToControl(unit, dpr);
    EXPECT_TRUE(connection.IsProjectBound());
    EXPECT_EQ(connection.projectBinding(), "$/New");
    EXPECT_TRUE(underControl(server, "$/New/Unit1.pas"));
    EXPECT_TRUE(underControl(server, "$/New/Delphi.Vss"));
    EXPECT_FALSE(underControl(server, "$/New/New.dpr"));
}

// A project bound to the root: its files are "$/Name", never "$//Name".
TEST_F(AddFile, AProjectBoundToTheRootFindsItsFiles) {
    env.ss({"add", "$/", env.write(env.root() / "top" / "Top.pas", "unit Top;\n").string()});
    TVssInterface connection;
    connection.ChangeProject("$/");
    ASSERT_TRUE(connection.IsProjectBound());
    EXPECT_TRUE(connection.IsFileUnderControl("/anywhere/Top.pas"));
    EXPECT_EQ(connection.CanWorkOnFile("/anywhere/Top.pas"), 1);
}

} // namespace

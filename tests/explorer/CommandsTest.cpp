// The commands, driven as a user would: the selection, the menu entry or key, the dialogs.
// Outcomes are checked with the ss tool, as a second client of the database would see them.
#include "ExplorerFixture.h"

#include "CreateProjectDialog.h"
#include "FolderDialog.h"
#include "GetProgressDialog.h"
#include "PropertiesDialog.h"
#include "UnitDlgComment.h"
#include "UnitShareFromSS.h"
#include "UnitShowHistory.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

namespace {

namespace fs = std::filesystem;

void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList selectedTexts(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            texts.append(list->item(row)->text());
    return texts;
}

// $/Other (with Deep below it) was filled by Admin: the test's user has no working folder there.
class CommandsTest : public ExplorerFixture {
protected:
    void SetUp() override {
        ExplorerFixture::SetUp();
        fillOtherAsAdmin({{"one.txt", "one.txt\n"},
                          {"two.txt", "two.txt\n"},
                          {"three.txt", "three.txt\n"},
                          {"Deep/four.txt", "four\n"}});
    }
    // Types a comment into the add-in's file dialog and runs it; the dialog is then closed.
    static ui::ScriptedDriver::FormAction runFileDialog(QStringList expectSelected,
                                                        const char* comment = nullptr) {
        return [expectSelected, comment](ui::Form& form) {
            auto& dialog = dynamic_cast<TFormFileList&>(form);
            EXPECT_EQ(selectedTexts(dialog.ListBoxFileList), expectSelected);
            if (comment != nullptr)
                QTest::keyClicks(dynamic_cast<TFormComment&>(form).MemoComment, comment);
            click(dialog.ButtonOk);
            click(dialog.ButtonOk); // now "Close"
        };
    }
    static ui::ScriptedDriver::FormAction typeFolder(const fs::path& folder) {
        return [folder](ui::Form& form) {
            auto& dialog = dynamic_cast<FolderDialog&>(form);
            dialog.EditFolder->clear();
            QTest::keyClicks(dialog.EditFolder, QString::fromStdString(folder.string()));
            click(dialog.ButtonOk);
        };
    }
};

TEST_F(CommandsTest, ChecksOutTheSelectedFilesInTheAddinsDialog) {
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    selectFiles({"a.pas", "b.pas"});
    driver.drive(runFileDialog({"a.pas", "b.pas"}, "both"));
    window().ActionCheckOut->trigger();
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"Check Out"}));
    const std::string status = ssOut({"status", "$/Demo"});
    EXPECT_TRUE(contains(status, "$/Demo/a.pas")) << status;
    EXPECT_TRUE(contains(status, "$/Demo/b.pas")) << status;
    EXPECT_EQ(window().Files().index(0, FileListModel::User).data().toString().toStdString(),
              testenv::TestEnvironment::currentUser());
}

TEST_F(CommandsTest, ChecksInWithTheCommentAndUndoesACheckOut) {
    env.ss({"checkout", "$/Demo/a.pas"});
    env.ss({"checkout", "$/Demo/b.pas"});
    env.write(work / "Demo" / "a.pas", "unit a; { changed }\n");
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    selectFiles({"a.pas"});
    driver.drive(runFileDialog({"a.pas"}, "the fix"));
    window().ActionCheckIn->trigger();
    selectFiles({"b.pas"});
    driver.drive(runFileDialog({"b.pas"}));
    window().ActionUndoCheckOut->trigger();

    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"Check In Files", "Undo Check Out"}));
    EXPECT_TRUE(contains(ssOut({"history", "$/Demo/a.pas"}), "the fix"));
    EXPECT_EQ(ssOut({"cat", "$/Demo/a.pas"}), "unit a; { changed }\n");
    EXPECT_FALSE(contains(ssOut({"status", "$/Demo"}), "b.pas"));
}

TEST_F(CommandsTest, GetsAProjectRecursivelyIntoTheFolderItAsksFor) {
    ASSERT_TRUE(window().SelectProject("$/Other"));
    const fs::path target = env.root() / "fresh" / "Other";
    driver.drive(typeFolder(target));
    driver.drive([](ui::Form& form) { waitUntilClosed(form); });
    window().ActionGetLatest->trigger();

    EXPECT_EQ(driver.shownForms(),
              (std::vector<std::string>{"Get Latest Version", "Get Latest Version"}));
    for (const char* name : {"one.txt", "two.txt", "three.txt"})
        EXPECT_EQ(testenv::TestEnvironment::read(target / name), std::string(name) + "\n");
    EXPECT_EQ(testenv::TestEnvironment::read(target / "Deep" / "four.txt"), "four\n");
    EXPECT_EQ(window().StatusMessage->text(), "Got 4 of 4 files of $/Other.");
    // The folder became the project's working folder.
    EXPECT_EQ(openDatabase().item("$/Other").localSpec(), target.string());
}

TEST_F(CommandsTest, AProjectGetCancelledBetweenFilesLeavesOnlyWholeFiles) {
    ASSERT_TRUE(window().SelectProject("$/Other"));
    const fs::path target = env.root() / "cancelled";
    driver.drive(typeFolder(target));
    driver.drive([](ui::Form& form) {
        auto& dialog = dynamic_cast<GetProgressDialog&>(form);
        QObject::connect(dialog.ProgressBarFiles, &QProgressBar::valueChanged, &dialog,
                         [&dialog](int value) {
                             if (value == 2 && dialog.ButtonCancel->isEnabled())
                                 click(dialog.ButtonCancel);
                         });
        waitUntilClosed(form);
    });
    window().ActionGetLatest->trigger();

    EXPECT_EQ(window().StatusMessage->text(), "Got 2 of 4 files of $/Other (cancelled).");
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(target))
        if (entry.is_regular_file())
            written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(testenv::TestEnvironment::read(target / "two.txt"), "two.txt\n");
}

TEST_F(CommandsTest, AFileGetWithoutAWorkingFolderCancelledDoesNothing) {
    ASSERT_TRUE(window().SelectProject("$/Other"));
    selectFiles({"one.txt"});
    driver.drive([](ui::Form& form) { click(dynamic_cast<FolderDialog&>(form).ButtonCancel); });
    window().ActionGetLatest->trigger();
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"Set Working Folder"}));
    EXPECT_EQ(openDatabase().item("$/Other").localSpec(), "");
}

struct DeleteCase {
    const char* what;
    int answer;
    std::vector<std::string> listed;
};

TEST_F(CommandsTest, DeletesAfterAskingAndRecoversWhatWasDeleted) {
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    const DeleteCase cases[] = {
        {"No keeps it", ui::IDNO, {"a.pas", "b.pas"}},
        {"Yes deletes it", ui::IDYES, {"a.pas"}},
    };
    for (const DeleteCase& c : cases) {
        selectFiles({"b.pas"});
        driver.answer(c.answer);
        window().ActionDelete->trigger();
        std::vector<std::string> names;
        for (int row = 0; row < window().Files().rowCount(); ++row)
            names.push_back(window().Files().entry(row).name);
        EXPECT_EQ(names, c.listed) << c.what;
        EXPECT_EQ(driver.messages().back().text, "Delete $/Demo/b.pas?") << c.what;
        EXPECT_EQ(driver.messages().back().style, ui::MB_YESNO | ui::MB_ICONQUESTION) << c.what;
    }
    EXPECT_FALSE(contains(ssOut({"dir", "$/Demo"}), "b.pas"));

    window().ActionShowDeleted->trigger();
    selectFiles({"b.pas"});
    window().ActionRecover->trigger();
    EXPECT_TRUE(contains(ssOut({"dir", "$/Demo"}), "b.pas"));
    EXPECT_EQ(window().StatusMessage->text(), "Recovered $/Demo/b.pas.");
}

TEST_F(CommandsTest, DeletesTheSelectedProjectButNeverTheRoot) {
    window().SelectProject("$/");
    driver.answer(ui::IDOK);
    window().ActionDelete->trigger();
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, "The root project $/ cannot be deleted.");

    ASSERT_TRUE(window().SelectProject("$/Demo/Sub"));
    driver.answer(ui::IDYES);
    window().ActionDelete->trigger();
    EXPECT_EQ(window().CurrentProject(), "$/Demo");
    EXPECT_FALSE(contains(ssOut({"dir", "$/Demo"}), "$Sub"));
}

TEST_F(CommandsTest, CreatesAProjectAndSelectsIt) {
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    driver.drive([](ui::Form& form) {
        auto& dialog = dynamic_cast<CreateProjectDialog&>(form);
        QTest::keyClicks(dialog.EditProjectName, "Fresh");
        click(dialog.ButtonOk);
    });
    window().ActionCreateProject->trigger();
    EXPECT_EQ(window().CurrentProject(), "$/Demo/Fresh");
    EXPECT_TRUE(contains(ssOut({"dir", "$/Demo"}), "$Fresh"));
}

TEST_F(CommandsTest, AServerErrorIsShownWithItsMessage) {
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    driver.drive([](ui::Form& form) {
        auto& dialog = dynamic_cast<CreateProjectDialog&>(form);
        QTest::keyClicks(dialog.EditProjectName, "Sub");
        click(dialog.ButtonOk);
    });
    window().ActionCreateProject->trigger();
    ASSERT_EQ(driver.errors().size(), 1u);
    EXPECT_TRUE(contains(driver.errors()[0], "Sub")) << driver.errors()[0];
}

TEST_F(CommandsTest, SharesAFileFromAnotherProject) {
    ASSERT_TRUE(window().SelectProject("$/Other"));
    driver.drive([](ui::Form& form) {
        auto& dialog = dynamic_cast<TFormShareFromSS&>(form);
        QTreeWidgetItem* demo = dialog.TreeVProjects->topLevelItem(0)->child(0);
        QTest::mouseClick(dialog.TreeVProjects->viewport(), Qt::LeftButton, {},
                          dialog.TreeVProjects->visualItemRect(demo).center());
        const QList<QListWidgetItem*> found =
            dialog.ListBoxFiles->findItems("a.pas", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(dialog.ListBoxFiles->viewport(), Qt::LeftButton, {},
                          dialog.ListBoxFiles->visualItemRect(found.front()).center());
        click(dialog.ButtonShare);
        click(dialog.ButtonClose);
    });
    driver.answer(ui::IDYES);
    window().ActionShare->trigger();
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"Share With $/Other"}));
    EXPECT_TRUE(contains(ssOut({"dir", "$/Other"}), "a.pas"));
}

TEST_F(CommandsTest, SetsTheWorkingFolder) {
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    const fs::path elsewhere = env.root() / "elsewhere";
    driver.drive([elsewhere, this](ui::Form& form) {
        auto& dialog = dynamic_cast<FolderDialog&>(form);
        EXPECT_EQ(dialog.EditFolder->text().toStdString(), (work / "Demo").string());
        dialog.EditFolder->clear();
        QTest::keyClicks(dialog.EditFolder, QString::fromStdString(elsewhere.string()));
        click(dialog.ButtonOk);
    });
    window().ActionWorkingFolder->trigger();
    EXPECT_EQ(openDatabase().item("$/Demo").localSpec(), elsewhere.string());
}

TEST_F(CommandsTest, ShowsTheHistoryAndThePropertiesOfTheSelectedFile) {
    env.ss({"checkout", "$/Demo/b.pas"});
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    selectFiles({"b.pas"});
    int versions = 0;
    driver.drive([&versions](ui::Form& form) {
        versions = dynamic_cast<TFormShowHistory&>(form).ListViewHistory->topLevelItemCount();
        click(dynamic_cast<TFormShowHistory&>(form).ButtonClose);
    });
    window().ActionHistory->trigger();
    EXPECT_EQ(versions, 1);

    std::string checkedOut;
    driver.drive([&checkedOut](ui::Form& form) {
        checkedOut = dynamic_cast<PropertiesDialog&>(form).LabelCheckedOut->text().toStdString();
        click(dynamic_cast<PropertiesDialog&>(form).ButtonClose);
    });
    window().ActionProperties->trigger();
    EXPECT_EQ(checkedOut, testenv::TestEnvironment::currentUser() + " in " +
                              (work / "Demo" / "b.pas").string());
}

// A right-click in the list opens the commands; choosing one runs it on the selected files.
TEST_F(CommandsTest, TheContextMenuOffersTheCommands) {
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    selectFiles({"b.pas"});
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            offered.append(action->text());
        menu->setActiveAction(menu->actions().at(1));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    driver.drive(runFileDialog({"b.pas"}));
    QWidget* viewport = window().FileList->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &event);
    EXPECT_EQ(offered, QStringList({"&Get Latest Version...", "Check &Out...", "Check &In...",
                                    "&Undo Check Out...", "", "&Add Files...", "&Create Project...",
                                    "&Delete...", "&Recover", "&Share...", "Set &Working Folder...",
                                    "", "Show &History...", "&Properties..."}));
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"Check Out"}));
    EXPECT_TRUE(contains(ssOut({"status", "$/Demo"}), "b.pas"));
}

struct KeyCase {
    QKeySequence keys;
    const char* caption;
};

// Each key opens its command's first dialog (cancelled here).
TEST_F(CommandsTest, KeysReachTheCommands) {
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    const KeyCase cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_K), "Check Out"},
        {QKeySequence(Qt::CTRL | Qt::Key_U), "Check In Files"},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), "Undo Check Out"},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), "Add Files To Source Control"},
        {QKeySequence(Qt::CTRL | Qt::Key_N), "Create Project"},
        {QKeySequence(Qt::CTRL | Qt::Key_S), "Share With $/Demo"},
        {QKeySequence(Qt::CTRL | Qt::Key_D), "Set Working Folder"},
        {QKeySequence(Qt::ALT | Qt::Key_Return), "Properties of $/Demo"},
    };
    for (const KeyCase& c : cases) {
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window())) << c.caption;
        driver.drive([](ui::Form& form) { form.reject(); });
        QTest::keySequence(&window(), c.keys);
        ASSERT_FALSE(driver.shownForms().empty()) << c.caption;
        EXPECT_EQ(driver.shownForms().back(), c.caption);
        EXPECT_TRUE(driver.idle()) << c.caption;
    }
}

} // namespace

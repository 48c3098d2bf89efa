// The window: the project tree, the selected project's files with who has them checked out
// and where, the status bar, F5 and the deleted items.
#include "ExplorerFixture.h"

#include "ProjectTree.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

namespace {

namespace fs = std::filesystem;
using WindowTest = ExplorerFixture;

std::vector<std::string> nameColumn(const std::vector<std::string>& rows) {
    std::vector<std::string> names;
    for (const std::string& row : rows)
        names.push_back(row.substr(0, row.find('|')));
    return names;
}

TEST_F(WindowTest, TheStatusBarNamesTheDatabaseAndTheUser) {
    EXPECT_EQ(window().StatusDatabase->text().toStdString(),
              "Database: Main (" + (folder / "srcsafe.ini").string() + ")");
    EXPECT_EQ(window().StatusUser->text().toStdString(),
              "User: " + testenv::TestEnvironment::currentUser());
}

TEST_F(WindowTest, TheListHasTheFourColumns) {
    QStringList titles;
    const QAbstractItemModel* model = window().FileList->model();
    for (int column = 0; column < model->columnCount(); ++column)
        titles.append(model->headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(titles, QStringList({"Name", "User", "Date", "Check-out folder"}));
}

TEST_F(WindowTest, OpensAtTheRootWithItsProjectsAndLooksNoDeeperThanNeeded) {
    QTreeWidgetItem* root = window().TreeVProjects->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "$");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), "Demo");
    EXPECT_EQ(root->child(1)->text(0), "Other");
    // One level ahead of what is shown: Demo's Sub is read, Sub's children are not.
    ASSERT_EQ(root->child(0)->childCount(), 1);
    EXPECT_EQ(root->child(0)->child(0)->childCount(), 0);
    EXPECT_EQ(window().CurrentProject(), "$/");
    EXPECT_TRUE(listRows().empty());
}

// Only files are listed; who holds a check-out and where is read from the server.
TEST_F(WindowTest, TheListShowsEachFileWithItsCheckOut) {
    env.ss({"checkout", "$/Demo/b.pas"});
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    const std::vector<std::string> rows = listRows();
    ASSERT_EQ(nameColumn(rows), (std::vector<std::string>{"a.pas", "b.pas"}));
    const FileListModel& files = window().Files();
    EXPECT_EQ(files.index(0, FileListModel::User).data().toString(), "");
    EXPECT_EQ(files.index(0, FileListModel::Folder).data().toString(), "");
    EXPECT_FALSE(files.index(0, FileListModel::Date).data().toString().isEmpty());
    EXPECT_EQ(files.index(1, FileListModel::User).data().toString().toStdString(),
              testenv::TestEnvironment::currentUser());
    EXPECT_EQ(files.index(1, FileListModel::Folder).data().toString().toStdString(),
              (work / "Demo").string());
}

TEST_F(WindowTest, F5ReadsTheDatabaseAgainAndKeepsTheProject) {
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    ASSERT_TRUE(window().SelectProject("$/Demo/Sub"));
    env.ss({"mkproj", "$/Demo/Sub/Deeper"});
    env.ss({"add", "$/Demo/Sub", env.write(work / "Demo" / "Sub" / "d.pas", "d\n").string()});
    env.ss({"checkout", "$/Demo/Sub/c.pas"});
    EXPECT_EQ(nameColumn(listRows()), (std::vector<std::string>{"c.pas"}));

    QTest::keyClick(window().FileList, Qt::Key_F5);
    EXPECT_EQ(window().CurrentProject(), "$/Demo/Sub");
    EXPECT_EQ(nameColumn(listRows()), (std::vector<std::string>{"c.pas", "d.pas"}));
    EXPECT_EQ(window().Files().index(0, FileListModel::User).data().toString().toStdString(),
              testenv::TestEnvironment::currentUser());
    EXPECT_EQ(window().TreeVProjects->currentItem()->childCount(), 1);
}

TEST_F(WindowTest, AProjectThatVanishedLeavesItsParentSelectedAfterARefresh) {
    ASSERT_TRUE(window().SelectProject("$/Demo/Sub"));
    VssDatabase database = openDatabase();
    database.item("$/Demo/Sub").setDeleted(true);
    window().Refresh();
    EXPECT_EQ(window().CurrentProject(), "$/Demo");
    EXPECT_FALSE(window().SelectProject("$/Demo/Sub"));
}

TEST_F(WindowTest, DeletedItemsAreListedOnlyWhenAskedFor) {
    VssDatabase database = openDatabase();
    database.item("$/Demo/b.pas").setDeleted(true);
    database.item("$/Demo/Sub").setDeleted(true);
    ASSERT_TRUE(window().SelectProject("$/Demo"));
    EXPECT_EQ(nameColumn(listRows()), (std::vector<std::string>{"a.pas"}));

    window().ActionShowDeleted->trigger();
    EXPECT_EQ(nameColumn(listRows()), (std::vector<std::string>{"a.pas", "b.pas", "Sub"}));
    const FileListModel& files = window().Files();
    EXPECT_FALSE(files.index(0, 0).data(FileListModel::kDeletedRole).toBool());
    EXPECT_TRUE(files.index(1, 0).data(FileListModel::kDeletedRole).toBool());
    EXPECT_TRUE(files.index(2, 0).data(FileListModel::kDeletedRole).toBool());
}

// The server keeps the order files were added in; the list shows them by name, case ignored,
// and a deleted file shown takes its place among them.
TEST_F(WindowTest, TheListIsInOrderOfNameWithCaseIgnored) {
    for (const char* name : {"Zeta.pas", "beta.pas", "Alpha.pas", "delta.pas", "B2.pas"})
        env.ss({"add", "$/Demo/Sub", env.write(work / "Demo" / "Sub" / name, "x\n").string()});
    openDatabase().item("$/Demo/Sub/delta.pas").setDeleted(true);
    ASSERT_TRUE(window().SelectProject("$/Demo/Sub"));
    EXPECT_EQ(nameColumn(listRows()),
              (std::vector<std::string>{"Alpha.pas", "B2.pas", "beta.pas", "c.pas", "Zeta.pas"}));

    window().ActionShowDeleted->trigger();
    EXPECT_EQ(nameColumn(listRows()), (std::vector<std::string>{"Alpha.pas", "B2.pas", "beta.pas",
                                                                "c.pas", "delta.pas", "Zeta.pas"}));
    EXPECT_TRUE(window().Files().index(4, 0).data(FileListModel::kDeletedRole).toBool());
}

TEST_F(WindowTest, SelectingAProjectByClickListsItsFiles) {
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    QTreeWidget* tree = window().TreeVProjects;
    QTreeWidgetItem* demo = tree->topLevelItem(0)->child(0);
    const QRect at = tree->visualItemRect(demo);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at.center());
    EXPECT_EQ(window().CurrentProject(), "$/Demo");
    EXPECT_EQ(nameColumn(listRows()), (std::vector<std::string>{"a.pas", "b.pas"}));
}

} // namespace

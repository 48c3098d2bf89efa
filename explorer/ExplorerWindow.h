// The explorer's window: the project tree on the left, the selected project's files on the
// right (Name, User, Date, Check-out folder), the database and user in the status bar. The
// commands act on the selected files, or on the selected project when no file is selected.
#pragma once

#include "FileListModel.h"
#include "VssAutomation.h"

#include <ui/Form.h>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TProjectTree;

class ExplorerWindow : public ui::Form {
public:
    // An empty window; Open gives it its database.
    ExplorerWindow();
    ~ExplorerWindow() override;

    // Works on an open database from now on: names it in the status bar, reads the root's
    // projects, selects "$" and lists its files. Read errors leave the call.
    void Open(VssDatabase database);
    // F5: the tree and the list read again, the same project selected as far as it still exists.
    void Refresh();
    // Expands the tree down to the project and selects it; false when some part is missing (the
    // deepest existing project is selected then).
    bool SelectProject(const std::string& spec);

    // "$/" for the root, else "$/A/B".
    std::string CurrentProject() const;
    // The rows the user selected in the file list, in list order.
    std::vector<VssChildStatus> SelectedEntries() const;
    void SetShowDeleted(bool show);

    QMenuBar* MenuBar;
    QTreeWidget* TreeVProjects;
    QTreeView* FileList;
    QLabel* StatusDatabase;
    QLabel* StatusUser;
    QLabel* StatusMessage;

    QAction* ActionGetLatest;
    QAction* ActionCheckOut;
    QAction* ActionCheckIn;
    QAction* ActionUndoCheckOut;
    QAction* ActionAddFiles;
    QAction* ActionCreateProject;
    QAction* ActionDelete;
    QAction* ActionRecover;
    QAction* ActionShare;
    QAction* ActionWorkingFolder;
    QAction* ActionHistory;
    QAction* ActionProperties;
    QAction* ActionShowDeleted;
    QAction* ActionRefresh;
    QAction* ActionExit;

    const FileListModel& Files() const { return *Files_; }

    // The commands (ExplorerCommands.cpp); each ends by reading the window again.
    void GetLatest();
    void CheckOut();
    void CheckIn();
    void UndoCheckOut();
    void AddFiles();
    void CreateProject();
    void Delete();
    void Recover();
    void Share();
    void SetWorkingFolder();
    void ShowHistory();
    void ShowProperties();

private:
    void CreateControls();
    void CreateMenus();
    QAction* NewAction(QMenu* menu, const char* name, const char* text, const QKeySequence& keys,
                       void (ExplorerWindow::*command)());
    void ShowContextMenu(QWidget* view, const QPoint& at);
    void FillFileList();

    // Command helpers.
    std::vector<std::string> SelectedFileNames() const;
    bool EnsureWorkingFolder(const std::string& project, const QString& caption);
    void GetProject(const std::string& project);
    template <class Dialog> void RunFileDialog();
    void Report(const std::string& text);

    VssDatabase Database;
    FileListModel* Files_;
    TProjectTree* Tree = nullptr;
    bool ShowDeleted = false;
};

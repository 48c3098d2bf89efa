#include "ExplorerWindow.h"

#include "ProjectTree.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// TProjectTree's node paths end in "/": "$/A/B/" is the project "$/A/B".
std::string specOfNodePath(std::string path) {
    if (path.size() > 2 && path.back() == '/')
        path.pop_back();
    return path;
}

std::vector<std::string> partsOf(const std::string& spec) {
    std::vector<std::string> parts;
    std::size_t start = spec.find('/');
    while (start != std::string::npos && start + 1 < spec.size()) {
        const std::size_t end = spec.find('/', start + 1);
        parts.push_back(spec.substr(start + 1, end == std::string::npos ? end : end - start - 1));
        start = end;
    }
    return parts;
}

} // namespace

ExplorerWindow::ExplorerWindow() {
    setObjectName("ExplorerWindow");
    setWindowTitle(QStringLiteral("SourceSafe Explorer"));
    setWindowFlags(Qt::Window);
    CreateControls();
    CreateMenus();
}

ExplorerWindow::~ExplorerWindow() = default;

void ExplorerWindow::CreateControls() {
    TreeVProjects = new QTreeWidget;
    TreeVProjects->setObjectName("TreeVProjects");
    TreeVProjects->setContextMenuPolicy(Qt::CustomContextMenu);
    Files_ = new FileListModel(this);
    FileList = new QTreeView;
    FileList->setObjectName("FileList");
    FileList->setModel(Files_);
    FileList->setRootIsDecorated(false);
    FileList->setItemsExpandable(false);
    FileList->setUniformRowHeights(true);
    FileList->setAllColumnsShowFocus(true);
    FileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileList->setContextMenuPolicy(Qt::CustomContextMenu);
    const int widths[] = {180, 80, 150, 220};
    for (int column = 0; column < FileListModel::ColumnCount; ++column)
        FileList->setColumnWidth(column, widths[column]);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(TreeVProjects);
    splitter->addWidget(FileList);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 620});

    StatusDatabase = new QLabel;
    StatusDatabase->setObjectName("StatusDatabase");
    StatusUser = new QLabel;
    StatusUser->setObjectName("StatusUser");
    StatusMessage = new QLabel;
    StatusMessage->setObjectName("StatusMessage");
    auto* status = new QStatusBar;
    status->setObjectName("StatusBar");
    status->setSizeGripEnabled(false);
    status->addWidget(StatusMessage, 1);
    status->addPermanentWidget(StatusDatabase);
    status->addPermanentWidget(StatusUser);

    MenuBar = new QMenuBar;
    MenuBar->setObjectName("MenuBar");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MenuBar);
    layout->addWidget(splitter, 1);
    layout->addWidget(status);
    resize(860, 520);

    // The list follows the current project however it changed.
    connect(TreeVProjects, &QTreeWidget::currentItemChanged, this,
            [this] { runHandler([this] { FillFileList(); }); });
    // A click in the tree makes the project the target of the commands again.
    connect(TreeVProjects, &QTreeWidget::itemClicked, this, [this] { FileList->clearSelection(); });
    connect(TreeVProjects, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* node = TreeVProjects->itemAt(at)) {
            TreeVProjects->setCurrentItem(node);
            FileList->clearSelection();
            ShowContextMenu(TreeVProjects, at);
        }
    });
    connect(FileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowContextMenu(FileList, at); });
    connect(FileList, &QAbstractItemView::doubleClicked, this,
            [this] { runHandler([this] { ShowProperties(); }); });
}

QAction* ExplorerWindow::NewAction(QMenu* menu, const char* name, const char* text,
                                   const QKeySequence& keys, void (ExplorerWindow::*command)()) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    if (command != nullptr)
        connect(action, &QAction::triggered, this,
                [this, command] { runHandler([this, command] { (this->*command)(); }); });
    return action;
}

void ExplorerWindow::CreateMenus() {
    QMenu* file = MenuBar->addMenu(QStringLiteral("&File"));
    ActionCreateProject =
        NewAction(file, "ActionCreateProject", "&Create Project...",
                  QKeySequence(Qt::CTRL | Qt::Key_N), &ExplorerWindow::CreateProject);
    ActionAddFiles =
        NewAction(file, "ActionAddFiles", "&Add Files...",
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), &ExplorerWindow::AddFiles);
    ActionDelete = NewAction(file, "ActionDelete", "&Delete...", QKeySequence(Qt::Key_Delete),
                             &ExplorerWindow::Delete);
    ActionRecover = NewAction(file, "ActionRecover", "&Recover", QKeySequence(Qt::CTRL | Qt::Key_R),
                              &ExplorerWindow::Recover);
    ActionWorkingFolder =
        NewAction(file, "ActionWorkingFolder", "Set &Working Folder...",
                  QKeySequence(Qt::CTRL | Qt::Key_D), &ExplorerWindow::SetWorkingFolder);
    ActionProperties =
        NewAction(file, "ActionProperties", "&Properties...",
                  QKeySequence(Qt::ALT | Qt::Key_Return), &ExplorerWindow::ShowProperties);
    file->addSeparator();
    ActionExit = NewAction(file, "ActionExit", "E&xit", QKeySequence(), nullptr);
    connect(ActionExit, &QAction::triggered, this, &QWidget::close);

    QMenu* sourceSafe = MenuBar->addMenu(QStringLiteral("&SourceSafe"));
    ActionGetLatest = NewAction(sourceSafe, "ActionGetLatest", "&Get Latest Version...",
                                QKeySequence(Qt::CTRL | Qt::Key_G), &ExplorerWindow::GetLatest);
    ActionCheckOut = NewAction(sourceSafe, "ActionCheckOut", "Check &Out...",
                               QKeySequence(Qt::CTRL | Qt::Key_K), &ExplorerWindow::CheckOut);
    ActionCheckIn = NewAction(sourceSafe, "ActionCheckIn", "Check &In...",
                              QKeySequence(Qt::CTRL | Qt::Key_U), &ExplorerWindow::CheckIn);
    ActionUndoCheckOut =
        NewAction(sourceSafe, "ActionUndoCheckOut", "&Undo Check Out...",
                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), &ExplorerWindow::UndoCheckOut);
    sourceSafe->addSeparator();
    ActionShare = NewAction(sourceSafe, "ActionShare", "&Share...",
                            QKeySequence(Qt::CTRL | Qt::Key_S), &ExplorerWindow::Share);
    ActionHistory = NewAction(sourceSafe, "ActionHistory", "Show &History...",
                              QKeySequence(Qt::CTRL | Qt::Key_H), &ExplorerWindow::ShowHistory);

    QMenu* view = MenuBar->addMenu(QStringLiteral("&View"));
    ActionShowDeleted =
        NewAction(view, "ActionShowDeleted", "Show &Deleted Items", QKeySequence(), nullptr);
    ActionShowDeleted->setCheckable(true);
    connect(ActionShowDeleted, &QAction::toggled, this,
            [this](bool on) { runHandler([this, on] { SetShowDeleted(on); }); });
    ActionRefresh = NewAction(view, "ActionRefresh", "&Refresh", QKeySequence(Qt::Key_F5),
                              &ExplorerWindow::Refresh);
}

void ExplorerWindow::ShowContextMenu(QWidget* view, const QPoint& at) {
    QMenu menu(this);
    menu.setObjectName("ContextMenu");
    for (QAction* action : {ActionGetLatest, ActionCheckOut, ActionCheckIn, ActionUndoCheckOut})
        menu.addAction(action);
    menu.addSeparator();
    for (QAction* action : {ActionAddFiles, ActionCreateProject, ActionDelete, ActionRecover,
                            ActionShare, ActionWorkingFolder})
        menu.addAction(action);
    menu.addSeparator();
    menu.addAction(ActionHistory);
    menu.addAction(ActionProperties);
    menu.exec(view->mapToGlobal(at));
}

void ExplorerWindow::Open(VssDatabase database) {
    Database = std::move(database);
    StatusDatabase->setText(QStringLiteral("Database: %1 (%2)")
                                .arg(QString::fromStdString(Database.databaseName()),
                                     QString::fromStdString(Database.srcSafeIni())));
    StatusUser->setText(
        QStringLiteral("User: %1").arg(QString::fromStdString(Database.userName())));
    delete Tree;
    Tree = new TProjectTree(*this, TreeVProjects, Database);
    const QSignalBlocker quiet(TreeVProjects);
    TreeVProjects->clear();
    Tree->Open();
    FillFileList();
}

void ExplorerWindow::Refresh() {
    if (Tree == nullptr)
        return;
    const std::string project = CurrentProject();
    const QSignalBlocker quiet(TreeVProjects);
    TreeVProjects->clear();
    Tree->Open();
    SelectProject(project);
    FillFileList();
}

bool ExplorerWindow::SelectProject(const std::string& spec) {
    QTreeWidgetItem* node = Tree == nullptr ? nullptr : Tree->Root();
    if (node == nullptr)
        return false;
    bool found = true;
    for (const std::string& part : partsOf(spec)) {
        Tree->Expanding(node);
        node->setExpanded(true);
        QTreeWidgetItem* next = nullptr;
        for (int index = 0; index < node->childCount() && next == nullptr; ++index)
            if (node->child(index)->text(0).compare(QString::fromStdString(part),
                                                    Qt::CaseInsensitive) == 0)
                next = node->child(index);
        if (next == nullptr) {
            found = false;
            break;
        }
        node = next;
    }
    TreeVProjects->setCurrentItem(node);
    return found;
}

std::string ExplorerWindow::CurrentProject() const {
    const QTreeWidgetItem* node = Tree == nullptr ? nullptr : Tree->Selected();
    return node == nullptr ? std::string("$/") : specOfNodePath(TProjectTree::NodePath(node));
}

std::vector<VssChildStatus> ExplorerWindow::SelectedEntries() const {
    QModelIndexList rows = FileList->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    std::vector<VssChildStatus> entries;
    entries.reserve(static_cast<std::size_t>(rows.size()));
    for (const QModelIndex& row : rows)
        entries.push_back(Files_->entry(row.row()));
    return entries;
}

void ExplorerWindow::SetShowDeleted(bool show) {
    ShowDeleted = show;
    FillFileList();
}

void ExplorerWindow::FillFileList() {
    if (Tree == nullptr || Tree->Selected() == nullptr) {
        Files_->clear();
        return;
    }
    Files_->fill(Database.item(CurrentProject(), false).childStatus(ShowDeleted), ShowDeleted);
}

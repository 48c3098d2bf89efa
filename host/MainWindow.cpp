#include "MainWindow.h"

#include "AddinCall.h"
#include "AddinMenu.h"
#include "EditorTabs.h"
#include "ErrorBox.h"
#include "MessagePane.h"
#include "ProjectBinding.h"
#include "ProjectPane.h"
#include "ToolServices.h"
#include <script/MessageBoxWatcher.h>

#include <QApplication>
#include <QDateTime>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>

namespace {

QString fullPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// A new unit added to the project gets the smallest text a unit can have.
std::optional<QString> createUnit(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot create %1: %2").arg(path, file.errorString());
    const QString name = QFileInfo(path).completeBaseName();
    file.write(
        QStringLiteral("unit %1;\n\ninterface\n\nimplementation\n\nend.\n").arg(name).toUtf8());
    if (!file.commit())
        return QStringLiteral("Cannot create %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

} // namespace

MainWindow::MainWindow()
    : projectPane_(new ProjectPane), editor_(new EditorTabs), messagePane_(new MessagePane),
      messageDock_(new QDockWidget(tr("Messages"), this)), projectLabel_(new QLabel),
      bindingLabel_(new QLabel), toolServices_(new ToolServices(*this)) {
    setObjectName(QStringLiteral("MainWindow"));
    auto* splitter = new QSplitter;
    splitter->addWidget(projectPane_);
    splitter->addWidget(editor_);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({200, 700});
    setCentralWidget(splitter);
    messageDock_->setObjectName(QStringLiteral("MessageDock"));
    messageDock_->setWidget(messagePane_);
    messageDock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::BottomDockWidgetArea, messageDock_);
    resizeDocks({messageDock_}, {120}, Qt::Vertical);
    projectLabel_->setObjectName(QStringLiteral("StatusProject"));
    projectLabel_->setToolTip(tr("The project file"));
    bindingLabel_->setObjectName(QStringLiteral("StatusBinding"));
    bindingLabel_->setToolTip(tr("The SourceSafe project named in %1 beside the project file")
                                  .arg(QString::fromLatin1(kBindingFileName)));
    statusBar()->addPermanentWidget(projectLabel_);
    statusBar()->addPermanentWidget(bindingLabel_);
    boxWatcher_ =
        new MessageBoxWatcher([this](const QMessageBox& box) { recordMessageBox(box); }, this);
    connect(projectPane_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        report(editFile(item->data(ProjectPane::PathRole).toString()));
    });
    connect(projectPane_, &ProjectPane::changedOnDisk, this, &MainWindow::updateStatus);
    connect(editor_, &EditorTabs::currentFileChanged, this,
            [this](const QString& path) { statusBar()->showMessage(path); });
    buildFileMenu();
    buildViewMenu();
    updateTitle();
    updateStatus();
    resize(900, 600);
}

MainWindow::~MainWindow() {
    // The client goes first, then what the add-in left registered, then its library.
    delete addinMenu_;
    addinMenu_ = nullptr;
    addin_.releaseClient();
    toolServices_->releaseNotifiers();
    addin_.unloadLibrary();
    toolServices_->Release();
}

void MainWindow::buildFileMenu() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New Project..."), this, &MainWindow::chooseNewProject);
    file->addAction(tr("&Open Project..."), QKeySequence::Open, this, &MainWindow::chooseProject);
    file->addAction(tr("&Close Project"), this, &MainWindow::closeProject);
    file->addSeparator();
    file->addAction(tr("&Add File to Project..."), this, &MainWindow::chooseFileToAdd);
    file->addAction(tr("&Remove File from Project"), this, &MainWindow::removeChosenFile);
    file->addSeparator();
    file->addAction(tr("&Save"), QKeySequence::Save, this, [this] { report(saveCurrentFile()); });
    file->addSeparator();
    file->addAction(tr("E&xit"), QKeySequence::Quit, this, &QWidget::close);
}

void MainWindow::buildViewMenu() {
    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* refresh = view->addAction(tr("&Refresh"), this, &MainWindow::refreshFileStates);
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    refresh->setObjectName(QStringLiteral("ActionRefresh"));
    QAction* messages = messageDock_->toggleViewAction();
    messages->setText(tr("&Messages"));
    messages->setObjectName(QStringLiteral("ActionMessages"));
    view->addAction(messages);
}

std::optional<QString> MainWindow::loadAddin(const QString& library) {
    if (!addin_.load(library, toolServices_)) {
        statusBar()->showMessage(addin_.error());
        return addin_.error();
    }
    addinMenu_ = new AddinMenu(*addin_.client(), this,
                               [this](const QString& error) { showAddinError(error); });
    // A verb may check files out or in, or bind the project: show what it left on disk.
    connect(addinMenu_, &AddinMenu::verbFinished, this, &MainWindow::refreshFileStates);
    menuBar()->addMenu(addinMenu_->menu());
    return std::nullopt;
}

void MainWindow::showAddinError(const QString& text) {
    showErrorBox(this, text);
}

void MainWindow::recordMessageBox(const QMessageBox& box) {
    messagePane_->addMessage(QDateTime::currentDateTime(), box.windowTitle(), box.text(),
                             MessageBoxWatcher::isErrorBox(box));
}

void MainWindow::refreshFileStates() {
    projectPane_->refreshStates();
    updateStatus();
}

QString MainWindow::statusProjectText() const {
    return projectLabel_->text();
}

QString MainWindow::statusBindingText() const {
    return bindingLabel_->text();
}

void MainWindow::updateStatus() {
    if (!project_) {
        projectLabel_->setText(tr("No project"));
        bindingLabel_->clear();
        bindingLabel_->hide();
        return;
    }
    projectLabel_->setText(project_->path());
    const QString binding = readProjectBinding(project_->path());
    bindingLabel_->setText(binding.isEmpty() ? QStringLiteral("not bound") : binding);
    bindingLabel_->show();
}

void MainWindow::report(const std::optional<QString>& error) {
    if (error)
        QMessageBox::warning(this, windowTitle(), *error);
}

void MainWindow::updateTitle() {
    // A project is named after its file, as the program header names it.
    const QString app = QStringLiteral("idehost");
    setWindowTitle(project_ ? QStringLiteral("%1 - %2").arg(
                                  QFileInfo(project_->path()).completeBaseName(), app)
                            : app);
}

void MainWindow::refreshProjectPane() {
    if (project_)
        projectPane_->showProject(project_->directory(), project_->files());
    else
        projectPane_->clearProject();
}

void MainWindow::projectChanged() {
    if (!addin_.client())
        return;
    if (const auto error = callAddin([this] { addin_.client()->ProjectChange(); }))
        showAddinError(*error);
    refreshFileStates(); // the add-in may have got or checked in files on the way
}

void MainWindow::notify(TFileNotification code, const QString& path) {
    if (const auto error = callAddin([&] { toolServices_->notify(code, path.toStdString()); }))
        showAddinError(*error);
}

std::optional<QString> MainWindow::newProject(const QString& path) {
    try {
        DelphiProject::create(path);
    } catch (const ProjectError& error) {
        return QString::fromStdString(error.what());
    }
    return openProject(path);
}

std::optional<QString> MainWindow::openProject(const QString& path) {
    std::optional<DelphiProject> loaded;
    try {
        loaded = DelphiProject::load(path);
    } catch (const ProjectError& error) {
        return QString::fromStdString(error.what());
    }
    if (project_)
        closeProject();
    project_ = std::move(loaded);
    refreshProjectPane();
    updateTitle();
    updateStatus();
    projectChanged();
    return std::nullopt;
}

void MainWindow::closeProject() {
    if (!project_)
        return;
    editor_->closeAll();
    project_.reset();
    refreshProjectPane();
    updateTitle();
    updateStatus();
    projectChanged();
}

std::optional<QString> MainWindow::addFile(const QString& path) {
    if (!project_)
        return tr("No project is open.");
    const QString full = fullPath(path);
    if (!QFileInfo::exists(full))
        if (auto error = createUnit(full))
            return error;
    try {
        project_->addFile(full);
    } catch (const ProjectError& error) {
        return QString::fromStdString(error.what());
    }
    refreshProjectPane();
    notify(TFileNotification::AddedToProject, full);
    return std::nullopt;
}

std::optional<QString> MainWindow::removeFile(const QString& path) {
    if (!project_)
        return tr("No project is open.");
    const QString full = fullPath(path);
    try {
        project_->removeFile(full);
    } catch (const ProjectError& error) {
        return QString::fromStdString(error.what());
    }
    editor_->closeFile(full);
    refreshProjectPane();
    notify(TFileNotification::RemovedFromProject, full);
    return std::nullopt;
}

std::optional<QString> MainWindow::editFile(const QString& path) {
    QString error;
    if (!editor_->open(fullPath(path), &error))
        return error;
    return std::nullopt;
}

std::optional<QString> MainWindow::saveCurrentFile() {
    const QString current = editor_->currentPath();
    if (current.isEmpty())
        return tr("No file is open.");
    QString error;
    if (!editor_->save(current, &error))
        return error;
    statusBar()->showMessage(tr("Saved %1").arg(current), 3000);
    return std::nullopt;
}

THandle MainWindow::windowHandle() {
    return static_cast<THandle>(winId());
}

QString MainWindow::projectFile() const {
    return project_ ? project_->path() : QString();
}

QString MainWindow::currentFile() const {
    return editor_->currentPath();
}

bool MainWindow::saveFile(const QString& path) {
    return editor_->save(fullPath(path));
}

bool MainWindow::showFile(const QString& path) {
    return editor_->open(fullPath(path));
}

void MainWindow::chooseNewProject() {
    const QString path = QFileDialog::getSaveFileName(this, tr("New Project"), QString(),
                                                      tr("Delphi projects (*.dpr)"));
    if (!path.isEmpty())
        report(newProject(path.endsWith(QLatin1String(".dpr")) ? path
                                                               : path + QStringLiteral(".dpr")));
}

void MainWindow::chooseProject() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Project"), QString(),
                                                      tr("Delphi projects (*.dpr)"));
    if (!path.isEmpty())
        report(openProject(path));
}

void MainWindow::chooseFileToAdd() {
    if (!project_) {
        report(tr("No project is open."));
        return;
    }
    QFileDialog dialog(this, tr("Add File to Project"), project_->directory(),
                       tr("Delphi units (*.pas)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a new name creates a new unit
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        report(addFile(dialog.selectedFiles().constFirst()));
}

void MainWindow::removeChosenFile() {
    // The file chosen in the project pane, else the one in the active tab.
    QString path = currentFile();
    if (const QListWidgetItem* item = projectPane_->currentItem(); item && projectPane_->hasFocus())
        path = item->data(ProjectPane::PathRole).toString();
    if (path.isEmpty()) {
        report(tr("Choose a file of the project first."));
        return;
    }
    report(removeFile(path));
}

// The host's main window: the project pane with each unit's file state, the tabbed editor,
// the message pane, the status bar (project file and binding), the File and View menus and the
// add-in's menu. It owns the project, the tool services and the loaded add-in, and
// offers every host action to the File menu and to the script runner alike.
#pragma once

#include "AddinLoader.h"
#include "DelphiProject.h"
#include "HostView.h"

#include <QMainWindow>
#include <optional>

class AddinMenu;
class EditorTabs;
class MessageBoxWatcher;
class MessagePane;
class ProjectPane;
class QDockWidget;
class QLabel;
class QMessageBox;
class ToolServices;

class MainWindow : public QMainWindow, public HostView {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Loads the add-in and calls INITVCS0013 (which may show the add-in's login dialog). On
    // failure the host goes on without the add-in's menu; the reason is returned.
    std::optional<QString> loadAddin(const QString& library);
    AddinMenu* addinMenu() const { return addinMenu_; }

    // Host actions. Each returns the reason when the host refuses it; errors raised by the
    // add-in while it is told about the change are shown in the error box instead.
    std::optional<QString> newProject(const QString& path);
    std::optional<QString> openProject(const QString& path);
    void closeProject();
    std::optional<QString> addFile(const QString& path);
    std::optional<QString> removeFile(const QString& path);
    std::optional<QString> editFile(const QString& path);
    std::optional<QString> saveCurrentFile();
    const std::optional<DelphiProject>& project() const { return project_; }

    // The error box for an error that left the add-in; the host goes on.
    void showAddinError(const QString& text);

    // Reads the units' states and the binding again (F5; also after every verb).
    void refreshFileStates();
    ProjectPane* projectPane() const { return projectPane_; }
    MessagePane* messagePane() const { return messagePane_; }
    QDockWidget* messageDock() const { return messageDock_; }
    // The status bar's project file ("No project") and binding ("not bound") texts.
    QString statusProjectText() const;
    QString statusBindingText() const;

    // HostView
    THandle windowHandle() override;
    QString projectFile() const override;
    QString currentFile() const override;
    bool saveFile(const QString& path) override;
    bool showFile(const QString& path) override;

private:
    void buildFileMenu();
    void buildViewMenu();
    void refreshProjectPane();
    void updateTitle();
    void updateStatus();
    void recordMessageBox(const QMessageBox& box);
    void projectChanged();
    void notify(TFileNotification code, const QString& path);
    void report(const std::optional<QString>& error);

    // File menu handlers (GUI only: they ask for file names).
    void chooseNewProject();
    void chooseProject();
    void chooseFileToAdd();
    void removeChosenFile();

    ProjectPane* projectPane_;
    EditorTabs* editor_;
    MessagePane* messagePane_;
    QDockWidget* messageDock_;
    QLabel* projectLabel_;
    QLabel* bindingLabel_;
    MessageBoxWatcher* boxWatcher_;
    std::optional<DelphiProject> project_;
    ToolServices* toolServices_;
    AddinLoader addin_;
    AddinMenu* addinMenu_ = nullptr;
};

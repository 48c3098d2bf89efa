// The add-project dialog: binds the open host project to a SourceSafe project picked in the
// project tree (creating it on request), writes the binding file Delphi.Vss beside the project
// file and adds that file to the SourceSafe project.
#pragma once

#include "ProjectTree.h"
#include "VssAutomation.h"

#include <ui/Form.h>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFormAddProject : public ui::Form {
public:
    // Opens the project tree; a server error while it is read leaves the constructor.
    TFormAddProject(VssDatabase database, const std::string& projectFileName);
    ~TFormAddProject() override;

    // The SourceSafe path of the bound project, as the server spells it; empty until OK read it.
    const std::string& chosenProject() const { return ChosenProject; }
    // The binding file of a project folder.
    static std::string BindingFileName(const std::string& projectFolder);

    QLabel* LabelProject;
    QLineEdit* EditProjectName;
    QLabel* LabelSpec;
    QTreeWidget* TreeVProjects;
    QLabel* LabelCreate;
    QLabel* LabelNewProjectSpec;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
    QPushButton* ButtonCreate;
    QPushButton* ButtonHelp;

private:
    void CreateControls();
    void TreeVProjectsChange(QTreeWidgetItem* node);
    void EditProjectNameChange();
    void ButtonCreateClick();
    void ButtonOkClick();

    VssItem FindOrCreateProject(const std::string& path);
    void Bind(const VssItem& project);
    static bool HoldsBindingFile(const VssItem& project);
    void WriteBindingFile(const std::string& binding) const;

    VssDatabase Database;
    std::string ProjectFolder;
    std::string ChosenProject;
    TProjectTree* Projects; // owned by TreeVProjects
};

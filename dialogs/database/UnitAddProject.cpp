#include "UnitAddProject.h"

#include "FormPlacing.h"

#include <system/Paths.h>
#include <system/System.h>
#include <ui/Application.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>

#include <filesystem>

namespace {

constexpr const char kBindingFile[] = "Delphi.Vss";

using namespace placing;

constexpr int kLabelHeight = 17;
constexpr int kButtonLeft = 289;
constexpr int kButtonWidth = 75;

// The file name part without its extension: "C:\Work\Demo.dpr" gives "Demo".
std::string proposedName(const std::string& projectFileName) {
    std::string name = sys::extractFileName(projectFileName);
    if (const auto dot = name.rfind('.'); dot != std::string::npos)
        name.erase(dot);
    return name;
}

} // namespace

TFormAddProject::TFormAddProject(VssDatabase database, const std::string& projectFileName)
    : Database(std::move(database)) {
    CreateControls();
    Projects = new TProjectTree(*this, TreeVProjects, Database);
    connect(TreeVProjects, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        runHandler([this, node] { TreeVProjectsChange(node); });
    });
    Projects->Open();
    ProjectFolder = sys::extractFileDir(projectFileName);
    LabelSpec->setText(QString::fromStdString(TProjectTree::NodePath(Projects->Selected())));
    EditProjectName->setText(QString::fromStdString(proposedName(projectFileName)));
}

// The tree is destroyed after this part of the dialog: it must not report its last selection
// change to handlers that are gone.
TFormAddProject::~TFormAddProject() {
    TreeVProjects->disconnect(this);
}

std::string TFormAddProject::BindingFileName(const std::string& projectFolder) {
    return sys::joinPath(projectFolder, kBindingFile);
}

void TFormAddProject::CreateControls() {
    setObjectName("FormAddProject");
    setWindowTitle(QStringLiteral("Add to SourceSafe Project"));
    setClientSize(372, 282);

    LabelProject = label(this, "LabelProject", "Project", 8, 6, 120, kLabelHeight);
    EditProjectName = place<QLineEdit>(this, "EditProjectName", 8, 24, 273, 21);
    LabelSpec = label(this, "LabelSpec", "", 8, 50, 273, kLabelHeight);
    TreeVProjects = place<QTreeWidget>(this, "TreeVProjects", 8, 68, 273, 180);
    LabelCreate = label(this, "LabelCreate", "Create A Project:", 8, 256, 100, kLabelHeight);
    LabelNewProjectSpec = label(this, "LabelNewProjectSpec", "", 120, 256, 244, kLabelHeight);
    ButtonOk = button(this, "ButtonOk", "OK", kButtonLeft, 24, kButtonWidth);
    ButtonCancel = button(this, "ButtonCancel", "Cancel", kButtonLeft, 54, kButtonWidth);
    ButtonCreate = button(this, "ButtonCreate", "&Create", kButtonLeft, 84, kButtonWidth);
    ButtonCreate->setEnabled(false);
    ButtonHelp = button(this, "ButtonHelp", "Help", kButtonLeft, 114, kButtonWidth);

    setTabOrder(TreeVProjects, EditProjectName);
    setTabOrder(EditProjectName, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonCreate);
    setTabOrder(ButtonCreate, ButtonHelp);
    TreeVProjects->setFocus();

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCancel);
    setButtonModalResult(ButtonOk, ui::mrOk);
    setButtonModalResult(ButtonCancel, ui::mrCancel);
    onClick(ButtonOk, [this] { ButtonOkClick(); });
    onClick(ButtonCancel);
    onClick(ButtonCreate, [this] { ButtonCreateClick(); });
    // Runs also when the program changes the text: emptying the edit after Create relies on it.
    connect(EditProjectName, &QLineEdit::textChanged, this,
            [this] { runHandler([this] { EditProjectNameChange(); }); });
}

void TFormAddProject::TreeVProjectsChange(QTreeWidgetItem* node) {
    if (node == nullptr)
        return;
    LabelSpec->setText(QString::fromStdString(TProjectTree::NodePath(node)));
    LabelNewProjectSpec->setText(LabelSpec->text() + EditProjectName->text());
}

void TFormAddProject::EditProjectNameChange() {
    ButtonCreate->setEnabled(!EditProjectName->text().isEmpty());
    LabelNewProjectSpec->setText(LabelSpec->text() + EditProjectName->text());
}

// Creates a sub-project without binding; a refused name leaves the tree and the edit as they
// were.
void TFormAddProject::ButtonCreateClick() {
    QTreeWidgetItem* parent = Projects->Selected();
    const std::string name = EditProjectName->text().toStdString();
    Database.item(TProjectTree::NodePath(parent), false).newSubproject(name, "");
    Projects->AddCreatedNode(parent, name);
    EditProjectName->clear();
    EditProjectName->setFocus();
}

// The result is OK when this starts. Anything that keeps the binding from being complete puts
// it back to none, so the dialog stays open and the caller never takes a half-made binding;
// what was done before the failure stays done.
void TFormAddProject::ButtonOkClick() {
    try {
        if (ProjectFolder.empty())
            throw std::runtime_error(
                "The project file has no folder, so there is no place for its binding file " +
                std::string(kBindingFile) + ". Save the project in a folder first.");
        const std::string path =
            TProjectTree::NodePath(Projects->Selected()) + EditProjectName->text().toStdString();
        const VssItem project = FindOrCreateProject(path);
        if (project)
            Bind(project);
    } catch (...) {
        setModalResult(ui::mrNone);
        throw;
    }
}

// The project of the path, or after Yes a new one under the selected node; an empty item after
// No. A lookup that fails for whatever reason counts as "does not exist".
VssItem TFormAddProject::FindOrCreateProject(const std::string& path) {
    try {
        return Database.item(path, false);
    } catch (const std::exception&) {
    }
    const int answer = ui::Application::instance().messageBox(
        "Project " + path + " does not exist. Would you like to create it?", "SourceSafe",
        ui::MB_YESNO | ui::MB_ICONQUESTION);
    if (answer != ui::IDYES) {
        setModalResult(ui::mrNone);
        return {};
    }
    return Database.item(TProjectTree::NodePath(Projects->Selected()), false)
        .newSubproject(EditProjectName->text().toStdString(), "");
}

// The working folder is the user's own, so binding a project another developer bound first
// changes nothing of theirs. That project already holds the binding file: it is taken as it is
// rather than added again, which the server would refuse.
void TFormAddProject::Bind(const VssItem& project) {
    project.setLocalSpec(ProjectFolder);
    ChosenProject = project.spec();
    WriteBindingFile(ChosenProject);
    if (!HoldsBindingFile(project))
        project.add(sys::joinPath(project.localSpec(), kBindingFile), "", 0);
}

// Whether the project has a file item named like the binding file (deleted ones left out). A
// failing lookup means it has none.
bool TFormAddProject::HoldsBindingFile(const VssItem& project) {
    try {
        return project.items(false).item(kBindingFile).type() == vss::kTypeFile;
    } catch (const std::exception&) {
        return false;
    }
}

// One line ended by CR LF, then read-only and hidden. An existing read-only file is not
// forced: its content stays and the error names it.
void TFormAddProject::WriteBindingFile(const std::string& binding) const {
    const std::string fileName = BindingFileName(ProjectFolder);
    std::error_code error;
    if (std::filesystem::exists(fileName, error) && sys::fileAttributes(fileName).readOnly)
        throw sys::SystemError("Cannot write " + fileName + ": the file is read-only");
    QSaveFile file(QString::fromStdString(fileName));
    const QByteArray line = QByteArray::fromStdString(binding) + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.commit())
        throw sys::SystemError("Cannot write " + fileName + ": " +
                               file.errorString().toStdString());
    sys::setFileAttributes(fileName, sys::kAttributeReadOnly | sys::kAttributeHidden);
}

// The explorer's commands. Each works on the selected files, or on the selected project when no
// file is selected; the file operations run in the add-in's own dialogs, pre-selected with the
// files chosen here. Server errors leave the command for the window's error display.
#include "ExplorerWindow.h"

#include "CreateProjectDialog.h"
#include "FolderDialog.h"
#include "GetProgressDialog.h"
#include "ProjectGet.h"
#include "PropertiesDialog.h"
#include "UnitAddFile.h"
#include "UnitCheckIn.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitShareFromSS.h"
#include "UnitShowHistory.h"
#include "UnitUndoCheckOut.h"
#include "UnitVssRegistry.h"
#include "VssPath.h"

#include <ui/Application.h>

#include <QLabel>
#include <QListWidget>
#include <QStringList>

#include <set>

namespace {

constexpr char kCaption[] = "SourceSafe Explorer";

int ask(const std::string& question) {
    return ui::Application::instance().messageBox(question, kCaption,
                                                  ui::MB_YESNO | ui::MB_ICONQUESTION);
}

void tell(const std::string& text) {
    ui::Application::instance().messageBox(text, kCaption, ui::MB_OK | ui::MB_ICONEXCLAMATION);
}

// Selects the dialog's entries for the names (one selection change per entry, no user event).
void selectEntries(QListWidget* list, const std::vector<std::string>& names) {
    std::set<QString> wanted;
    for (const std::string& name : names)
        wanted.insert(QString::fromStdString(name).toLower());
    for (int row = 0; row < list->count(); ++row)
        if (wanted.count(list->item(row)->text().toLower()) != 0)
            list->item(row)->setSelected(true);
}

// The binding the add-in's dialogs take: they join it and a name with "/", so the root is "$".
std::string bindingOf(const std::string& project) {
    return project == "$/" ? std::string("$") : project;
}

std::string describe(const std::vector<std::string>& items) {
    return items.size() == 1 ? items.front()
                             : "the " + std::to_string(items.size()) + " selected items";
}

} // namespace

std::vector<std::string> ExplorerWindow::SelectedFileNames() const {
    std::vector<std::string> names;
    for (const VssChildStatus& entry : SelectedEntries())
        if (!entry.deleted && entry.type == vss::kTypeFile)
            names.push_back(entry.name);
    return names;
}

void ExplorerWindow::Report(const std::string& text) {
    StatusMessage->setText(QString::fromStdString(text));
}

// A project without a working folder (its own or inherited) gets one first; false when the
// user cancels.
bool ExplorerWindow::EnsureWorkingFolder(const std::string& project, const QString& caption) {
    const VssItem item = Database.item(project, false);
    if (!item.localSpec().empty())
        return true;
    FolderDialog dialog(caption, project, std::string());
    if (dialog.showModal() != ui::mrOk)
        return false;
    item.setLocalSpec(dialog.folder());
    return true;
}

template <class Dialog> void ExplorerWindow::RunFileDialog() {
    const std::string project = CurrentProject();
    if (!EnsureWorkingFolder(project, QStringLiteral("Set Working Folder")))
        return;
    const std::vector<std::string> names = SelectedFileNames();
    Dialog dialog(Database, bindingOf(project), names.empty() ? std::string() : names.front());
    selectEntries(dialog.ListBoxFileList, names);
    dialog.showModal();
    Refresh();
}

void ExplorerWindow::GetLatest() {
    if (SelectedFileNames().empty())
        GetProject(CurrentProject());
    else
        RunFileDialog<TFormGetLatest>();
}

void ExplorerWindow::GetProject(const std::string& project) {
    if (!EnsureWorkingFolder(project, QStringLiteral("Get Latest Version")))
        return;
    const ProjectGet get(Database);
    std::vector<GetJob> jobs = get.collect(project);
    const std::size_t total = jobs.size();
    TVSSProperties properties;
    TVssRegistry().ReadProperties(properties);
    const std::int32_t flags =
        properties.ReadOnly | properties.Compare | properties.Replace | properties.Date;
    GetProgressDialog dialog(get, std::move(jobs), flags);
    dialog.showModal();
    const GetOutcome& outcome = dialog.outcome();
    std::string summary = "Got " + std::to_string(outcome.done) + " of " + std::to_string(total) +
                          " files of " + project;
    if (outcome.cancelled)
        summary += " (cancelled)";
    Report(summary + ".");
    Refresh();
    if (!outcome.failures.empty()) {
        std::string text = std::to_string(outcome.failures.size()) + " files could not be got:";
        for (std::size_t i = 0; i < outcome.failures.size() && i < 10; ++i)
            text += "\n" + outcome.failures[i];
        tell(text);
    }
}

void ExplorerWindow::CheckOut() {
    RunFileDialog<TFormCheckOut>();
}

void ExplorerWindow::CheckIn() {
    RunFileDialog<TFormCheckIn>();
}

void ExplorerWindow::UndoCheckOut() {
    RunFileDialog<TFormUndoCheckOut>();
}

void ExplorerWindow::AddFiles() {
    const std::string project = CurrentProject();
    if (!EnsureWorkingFolder(project, QStringLiteral("Set Working Folder")))
        return;
    TFormAddFile(Database, bindingOf(project), std::string()).showModal();
    Refresh();
}

void ExplorerWindow::CreateProject() {
    const std::string parent = CurrentProject();
    CreateProjectDialog dialog(parent);
    if (dialog.showModal() != ui::mrOk)
        return;
    const VssItem created =
        Database.item(parent, false).newSubproject(dialog.name(), dialog.comment());
    const std::string spec = created.spec();
    Refresh();
    SelectProject(spec);
    Report("Created " + spec + ".");
}

void ExplorerWindow::Delete() {
    const std::string project = CurrentProject();
    std::vector<std::string> specs;
    for (const std::string& name : SelectedFileNames())
        specs.push_back(JoinVssPath(project, name));
    if (specs.empty()) {
        if (project == "$/") {
            tell("The root project $/ cannot be deleted.");
            return;
        }
        specs.push_back(project);
    }
    if (ask("Delete " + describe(specs) + "?") != ui::IDYES)
        return;
    for (const std::string& spec : specs)
        Database.item(spec, false).setDeleted(true);
    Report("Deleted " + describe(specs) + ".");
    Refresh();
}

void ExplorerWindow::Recover() {
    const std::string project = CurrentProject();
    std::vector<std::string> specs;
    for (const VssChildStatus& entry : SelectedEntries())
        if (entry.deleted)
            specs.push_back(JoinVssPath(project, entry.name));
    if (specs.empty()) {
        tell("Select the deleted items to recover (View > Show Deleted Items lists them).");
        return;
    }
    for (const std::string& spec : specs)
        Database.item(spec, true).setDeleted(false);
    Report("Recovered " + describe(specs) + ".");
    Refresh();
}

void ExplorerWindow::Share() {
    TFormShareFromSS(Database, bindingOf(CurrentProject())).showModal();
    Refresh();
}

void ExplorerWindow::SetWorkingFolder() {
    const std::string project = CurrentProject();
    const VssItem item = Database.item(project, false);
    FolderDialog dialog(QStringLiteral("Set Working Folder"), project, item.localSpec());
    if (dialog.showModal() != ui::mrOk)
        return;
    item.setLocalSpec(dialog.folder());
    Report("The working folder of " + project + " is " + item.localSpec() + ".");
}

// The history's differences compare with the file's local copy, when it has one.
void ExplorerWindow::ShowHistory() {
    const std::vector<std::string> names = SelectedFileNames();
    if (names.empty()) {
        tell("Select a file to show its history.");
        return;
    }
    const std::string project = CurrentProject();
    const std::string local = Database.item(JoinVssPath(project, names.front()), false).localSpec();
    TFormShowHistory(Database, bindingOf(project), local.empty() ? names.front() : local)
        .showModal();
}

void ExplorerWindow::ShowProperties() {
    const std::vector<VssChildStatus> entries = SelectedEntries();
    const std::string project = CurrentProject();
    if (entries.empty()) {
        PropertiesDialog(Database.item(project, false), nullptr).showModal();
        return;
    }
    const VssChildStatus& entry = entries.front();
    PropertiesDialog(Database.item(JoinVssPath(project, entry.name), entry.deleted), &entry)
        .showModal();
}

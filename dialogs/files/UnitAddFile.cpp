#include "UnitAddFile.h"

#include <system/Paths.h>
#include <system/System.h>

#include <QListWidget>
#include <QPushButton>

#include <filesystem>

TFormAddFile::TFormAddFile(VssDatabase database, std::string projectBinding, std::string fileName)
    : TFormComment(std::move(database), std::move(projectBinding), fileName) {
    setObjectName("FormAddFile");
    setWindowTitle(QStringLiteral("Add Files To Source Control"));
    BindDoubleClickToRun();
    ButtonAdvanced->setEnabled(false);
    FillFromWorkingFolder(fileName);
}

// Every plain file of the working folder, hidden ones included, that the project has no item
// of; a failed lookup is how a new file is recognised.
void TFormAddFile::FillFromWorkingFolder(const std::string& fileName) {
    const std::string folder = ProjectItem.localSpec();
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error))
        return;
    QStringList names;
    for (const std::string& name : sys::listPlainFiles(folder)) {
        try {
            ProjectItems.item(name);
        } catch (const EVssError&) {
            names.append(QString::fromStdString(name));
        }
    }
    ListBoxFileList->addItems(names);
    SelectFile(fileName);
}

TFileOperation TFormAddFile::Operation() const {
    return {"Adding ", "Can't Add ", TLineName::LocalPath, true};
}

std::int32_t TFormAddFile::OperationFlags() const {
    return Properties.ReadOnly;
}

void TFormAddFile::OperateOnFile(const std::string& localPath, std::int32_t flags) {
    ProjectItem.add(localPath, CommentText(), flags); // the new item is not kept
}

void TFormAddFile::ReadProject() {
    ProjectItem = Database.item(ProjectBinding, false);
}

// Lines name the file by its full local path: the working folder, read again, and the entry.
void TFormAddFile::ProcessEntry(QListWidgetItem* entry) {
    const TFileOperation operation = Operation();
    const std::string name = entry->text().toStdString();
    std::string localPath = name;
    try {
        localPath = sys::joinPath(ProjectItem.localSpec(), name);
        AppendLog(operation.OperationLine + localPath);
        OperateOnFile(localPath, OperationFlags());
        Deselect(entry);
    } catch (const std::exception& failure) {
        AppendLog(operation.FailurePrefix + localPath + " Reason:" + failure.what());
    }
}

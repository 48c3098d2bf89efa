#include "UnitRemoveFromControl.h"

#include <QPushButton>

// Unlike the other file dialogs, a double-click in the list does not start the run.
TFormRemoveFromControl::TFormRemoveFromControl(VssDatabase database, std::string projectBinding,
                                               std::string fileName)
    : TFormNoComment(std::move(database), std::move(projectBinding), fileName) {
    setObjectName("FormRemoveFromControl");
    setWindowTitle(QStringLiteral("FormRemoveFromControl"));
    ButtonAdvanced->setEnabled(false);
    FillFileList(AllChildren, fileName);
}

TFileOperation TFormRemoveFromControl::Operation() const {
    return {"Removing ", "Couldn't Remove ", TLineName::SourceSafePath, false};
}

// Marking an item deleted takes no flags.
std::int32_t TFormRemoveFromControl::OperationFlags() const {
    return 0;
}

void TFormRemoveFromControl::OperateOnFile(const std::string& /*localPath*/,
                                           std::int32_t /*flags*/) {
    FileItem.setDeleted(true);
}

#include "UnitUndoCheckOut.h"

#include "UnitAdvancedUndoCheckout.h"

#include <vss/VssInterfaces.h>

#include <QPushButton>

TFormUndoCheckOut::TFormUndoCheckOut(VssDatabase database, std::string projectBinding,
                                     std::string fileName)
    : TFormNoComment(std::move(database), std::move(projectBinding), fileName) {
    setObjectName("FormUndoCheckOut");
    setWindowTitle(QStringLiteral("Undo Check Out"));
    SetFilesCaption("Select Files To Undo Check Out:");
    BindDoubleClickToRun();
    onClick(ButtonAdvanced, [this] { ButtonAdvancedClick(); });
    FillFileList(vss::kCheckedOutMe, fileName);
    LocalCopyFlag = 0;
}

TFileOperation TFormUndoCheckOut::Operation() const {
    return {"Undo Checkout ", "Can't Undo Checkout of ", TLineName::LocalPath, true,
            vss::VSSCopyUndoCheckout};
}

std::int32_t TFormUndoCheckOut::OperationFlags() const {
    return Properties.ReadOnly + Properties.Compare + Properties.Date + Properties.Replace +
           Properties.Unchanged + LocalCopyFlag;
}

void TFormUndoCheckOut::OperateOnFile(const std::string& localPath, std::int32_t flags) {
    FileItem.undoCheckout(localPath, flags);
}

// Whatever closed the advanced dialog, its settings and flag replace ours: Cancel thus puts the
// local-copy flag back to 0.
void TFormUndoCheckOut::ButtonAdvancedClick() {
    TFormAdvancedUndoCheckout advanced;
    advanced.showModal();
    Properties = advanced.Properties;
    LocalCopyFlag = advanced.LocalCopyFlag;
}

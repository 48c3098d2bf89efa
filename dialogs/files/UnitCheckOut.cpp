#include "UnitCheckOut.h"

#include "UnitAdvancedCheckOut.h"

#include <vss/VssInterfaces.h>

#include <QPushButton>

TFormCheckOut::TFormCheckOut(VssDatabase database, std::string projectBinding, std::string fileName)
    : TFormComment(std::move(database), std::move(projectBinding), fileName) {
    setObjectName("FormCheckOut");
    setWindowTitle(QStringLiteral("Check Out"));
    SetFilesCaption("Select Files To Checkout:");
    BindDoubleClickToRun();
    onClick(ButtonAdvanced, [this] { ButtonAdvancedClick(); });
    FillFileList(vss::kNotCheckedOut, fileName);
    GetLocalFlag = 0;
}

TFileOperation TFormCheckOut::Operation() const {
    return {"Checking out ", "Can't Checkout ", TLineName::SourceSafePath, true};
}

std::int32_t TFormCheckOut::OperationFlags() const {
    return Properties.ReadOnly + Properties.Compare + Properties.Date + Properties.Replace +
           GetLocalFlag;
}

void TFormCheckOut::OperateOnFile(const std::string& localPath, std::int32_t flags) {
    FileItem.checkout(CommentText(), localPath, flags);
}

// Whatever closed the advanced dialog, its settings and flag replace ours: Cancel thus puts the
// stored settings back and the local-copy flag to 0.
void TFormCheckOut::ButtonAdvancedClick() {
    TFormAdvancedCheckOut advanced;
    advanced.showModal();
    Properties = advanced.Properties;
    GetLocalFlag = advanced.GetLocalFlag;
}

#include "UnitCheckIn.h"

#include <vss/VssInterfaces.h>

#include <QPushButton>

TFormCheckIn::TFormCheckIn(VssDatabase database, std::string projectBinding, std::string fileName)
    : TFormComment(std::move(database), std::move(projectBinding), fileName) {
    setObjectName("FormCheckIn");
    setWindowTitle(QStringLiteral("Check In Files"));
    BindDoubleClickToRun();
    ButtonAdvanced->setEnabled(false);
    FillFileList(vss::kCheckedOutMe, fileName);
}

TFileOperation TFormCheckIn::Operation() const {
    return {"Checking In ", "Can't Checkin ", TLineName::LocalPath, true};
}

std::int32_t TFormCheckIn::OperationFlags() const {
    return Properties.ReadOnly + Properties.Compare + Properties.Date + Properties.Replace +
           Properties.Unchanged;
}

void TFormCheckIn::OperateOnFile(const std::string& localPath, std::int32_t flags) {
    FileItem.checkin(CommentText(), localPath, flags);
}

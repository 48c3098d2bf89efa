#include "UnitGetLatest.h"

#include "UnitAdvancedGet.h"

#include <QPushButton>

TFormGetLatest::TFormGetLatest(VssDatabase database, std::string projectBinding,
                               std::string fileName)
    : TFormNoComment(std::move(database), std::move(projectBinding), fileName) {
    setObjectName("FormGetLatest");
    setWindowTitle(QStringLiteral("Get Latest Version"));
    SetFilesCaption("Select Files To Get");
    BindDoubleClickToRun();
    onClick(ButtonAdvanced, [this] { ButtonAdvancedClick(); });
    FillFileList(AllChildren, fileName);
}

TFileOperation TFormGetLatest::Operation() const {
    return {"Getting ", "Couldn't Get ", TLineName::SourceSafePath, true, vss::VSSCopyGet};
}

// A get of single files never recurses: the stored Recursive setting is not part of it.
std::int32_t TFormGetLatest::OperationFlags() const {
    return Properties.ReadOnly + Properties.Compare + Properties.Date + Properties.Replace;
}

void TFormGetLatest::OperateOnFile(const std::string& localPath, std::int32_t flags) {
    std::string local = localPath; // handed back by the server, not used
    FileItem.get(local, flags);
}

// Whatever closed the advanced dialog, its settings replace ours (Cancel: the stored ones).
void TFormGetLatest::ButtonAdvancedClick() {
    TFormAdvancedGet advanced;
    advanced.showModal();
    Properties = advanced.Properties;
}

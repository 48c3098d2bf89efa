#include "UnitDlgNoComment.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

// The file name is only for the derived dialogs, which pre-select its entry.
TFormNoComment::TFormNoComment(VssDatabase database, std::string projectBinding,
                               std::string /*fileName*/)
    : TFormFileList(std::move(database), std::move(projectBinding)) {
    setObjectName("FormNoComment");
    setWindowTitle(QStringLiteral("FormNoComment"));
    setClientSize(356, 245);

    LabelFiles->move(3, 1);
    ListBoxFileList->setGeometry(1, 18, 270, 117);
    ButtonOk->setGeometry(279, 17, 75, 25);
    ButtonCancel->setGeometry(279, 48, 75, 25);
    ButtonHelp->setGeometry(279, 78, 75, 25);
    ButtonAdvanced->setGeometry(279, 109, 75, 25);
    LabelLog->move(3, 140);
    MemoLog->setGeometry(1, 156, 353, 84);

    setTabOrder(ListBoxFileList, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonHelp);
    setTabOrder(ButtonHelp, ButtonAdvanced);
    setTabOrder(ButtonAdvanced, MemoLog);
}

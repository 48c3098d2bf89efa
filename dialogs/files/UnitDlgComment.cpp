#include "UnitDlgComment.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

// The file name is only for the derived dialogs, which pre-select its entry.
TFormComment::TFormComment(VssDatabase database, std::string projectBinding,
                           std::string /*fileName*/)
    : TFormFileList(std::move(database), std::move(projectBinding)) {
    setObjectName("FormComment");
    setWindowTitle(QStringLiteral("FormComment"));
    setClientSize(378, 322);

    LabelComment = new QLabel(QStringLiteral("Comment"), this);
    LabelComment->setObjectName("LabelComment");
    LabelComment->adjustSize(); // as large as its text, so the memo below covers none of it
    MemoComment = new QPlainTextEdit(this);
    MemoComment->setObjectName("MemoComment");
    MemoComment->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoComment->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoComment->setTabChangesFocus(true);

    LabelFiles->move(8, 1);
    ListBoxFileList->setGeometry(4, 17, 281, 116);
    ButtonOk->setGeometry(298, 16, 75, 25);
    ButtonCancel->setGeometry(298, 47, 75, 25);
    ButtonHelp->setGeometry(298, 77, 75, 25);
    ButtonAdvanced->setGeometry(298, 108, 75, 25);
    LabelComment->move(8, 134);
    MemoComment->setGeometry(4, 149, 369, 74);
    LabelLog->move(8, 225);
    MemoLog->setGeometry(4, 242, 369, 73);

    setTabOrder(ListBoxFileList, MemoComment);
    setTabOrder(MemoComment, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonHelp);
    setTabOrder(ButtonHelp, ButtonAdvanced);
    setTabOrder(ButtonAdvanced, MemoLog);
}

std::string TFormComment::CommentText() const {
    return MemoComment->toPlainText().replace(QChar('\n'), QStringLiteral("\r\n")).toStdString();
}

#include "CreateProjectDialog.h"

#include "OkCancelRow.h"

#include <ui/Application.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CreateProjectDialog::CreateProjectDialog(const std::string& parent) {
    setObjectName("CreateProjectDialog");
    setWindowTitle(QStringLiteral("Create Project"));
    LabelName = new QLabel(
        QStringLiteral("Create a project in %1, named:").arg(QString::fromStdString(parent)), this);
    LabelName->setObjectName("LabelName");
    EditProjectName = new QLineEdit(this);
    EditProjectName->setObjectName("EditProjectName");
    LabelComment = new QLabel(QStringLiteral("Comment:"), this);
    LabelComment->setObjectName("LabelComment");
    MemoComment = new QPlainTextEdit(this);
    MemoComment->setObjectName("MemoComment");
    MemoComment->setTabChangesFocus(true);
    const OkCancelRow buttons = addOkCancelRow(*this);
    ButtonOk = buttons.ok;
    ButtonCancel = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelName);
    layout->addWidget(EditProjectName);
    layout->addWidget(LabelComment);
    layout->addWidget(MemoComment);
    layout->addLayout(buttons.layout);
    resize(360, 220);

    const auto follow = [this] {
        ButtonOk->setEnabled(!EditProjectName->text().trimmed().isEmpty());
    };
    connect(EditProjectName, &QLineEdit::textChanged, this, follow);
    follow();
}

std::string CreateProjectDialog::name() const {
    return EditProjectName->text().trimmed().toStdString();
}

std::string CreateProjectDialog::comment() const {
    return MemoComment->toPlainText().toStdString();
}

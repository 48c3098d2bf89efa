#include "CreateProjectDialog.h"

#include <ui/Application.h>

#include <QHBoxLayout>
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
    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonOk->setAutoDefault(false);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelName);
    layout->addWidget(EditProjectName);
    layout->addWidget(LabelComment);
    layout->addWidget(MemoComment);
    layout->addLayout(buttons);
    resize(360, 220);

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCancel);
    setButtonModalResult(ButtonOk, ui::mrOk);
    setButtonModalResult(ButtonCancel, ui::mrCancel);
    onClick(ButtonOk);
    onClick(ButtonCancel);
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

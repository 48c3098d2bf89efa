#include "PasswordDialog.h"

#include <ui/Application.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordDialog::PasswordDialog(const std::string& user, bool retry) {
    setObjectName("PasswordDialog");
    setWindowTitle(QStringLiteral("SourceSafe Password"));
    const QString name = QString::fromStdString(user);
    LabelPrompt = new QLabel(retry ? QStringLiteral("Wrong password. Password for %1:").arg(name)
                                   : QStringLiteral("Password for %1:").arg(name),
                             this);
    LabelPrompt->setObjectName("LabelPrompt");
    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName("EditPassword");
    EditPassword->setEchoMode(QLineEdit::Password);
    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelPrompt);
    layout->addWidget(EditPassword);
    layout->addLayout(buttons);

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCancel);
    setButtonModalResult(ButtonOk, ui::mrOk);
    setButtonModalResult(ButtonCancel, ui::mrCancel);
    onClick(ButtonOk);
    onClick(ButtonCancel);
    EditPassword->setFocus();
}

std::string PasswordDialog::password() const {
    return EditPassword->text().toStdString();
}

#include "PasswordDialog.h"

#include "OkCancelRow.h"

#include <ui/Application.h>

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
    const OkCancelRow buttons = addOkCancelRow(*this);
    ButtonOk = buttons.ok;
    ButtonCancel = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelPrompt);
    layout->addWidget(EditPassword);
    layout->addLayout(buttons.layout);
    EditPassword->setFocus();
}

std::string PasswordDialog::password() const {
    return EditPassword->text().toStdString();
}

// Asks for the password of the user the explorer logs in as.
#pragma once

#include <ui/Form.h>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class PasswordDialog : public ui::Form {
public:
    // The prompt names the user; a retry says that the last password was wrong.
    PasswordDialog(const std::string& user, bool retry);

    std::string password() const;

    QLabel* LabelPrompt;
    QLineEdit* EditPassword;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};

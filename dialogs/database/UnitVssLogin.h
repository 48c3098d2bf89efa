// The login dialog: opens a SourceSafe database with an explicit user, password and database
// folder, offering the databases SourceSafe registered on this machine.
#pragma once

#include "VssAutomation.h"

#include <ui/Application.h>
#include <ui/Form.h>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormVssLogin : public ui::Form {
public:
    // Takes a not yet opened database object; after the result OK it is open.
    explicit TFormVssLogin(const VssDatabase& database);
    ~TFormVssLogin() override;

    QLineEdit* EditUser;
    QLineEdit* EditPassword;
    QPushButton* Button1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
    QComboBox* CoBoxDataBases;
    QLabel* LabelUser;
    QLabel* LabelPassword;
    QLabel* LabelDataBase;
    QLabel* LabelPath;
    QLabel* LabelDir;
    ui::OpenFileRequest OpenDialog;

private:
    void CreateControls();
    void FillFromSettings();
    void CoBoxDataBasesChange();
    void Button1Click();
    void ButtonOkClick();

    VssDatabase Database;
};

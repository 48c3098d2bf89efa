// Asks for a local folder: the working folder of a project, or where a get should go.
#pragma once

#include <ui/Form.h>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class FolderDialog : public ui::Form {
public:
    // The prompt names the project; the edit starts with the folder given.
    FolderDialog(const QString& caption, const std::string& project, const std::string& folder);

    // The folder typed, made absolute.
    std::string folder() const;

    QLabel* LabelFolder;
    QLineEdit* EditFolder;
    QPushButton* ButtonBrowse;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

private:
    void Browse();
};

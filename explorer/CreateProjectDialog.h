// Asks for the name and comment of a new sub-project.
#pragma once

#include <ui/Form.h>

#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CreateProjectDialog : public ui::Form {
public:
    explicit CreateProjectDialog(const std::string& parent);

    std::string name() const;
    std::string comment() const;

    QLabel* LabelName;
    QLineEdit* EditProjectName;
    QLabel* LabelComment;
    QPlainTextEdit* MemoComment;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};
